#pragma once

#include <zlib.h>

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/PdfElement.h"
#include "parse/PdfParser.h"
#include "stream/PdfFileStream.h"

// Bytes held in an unnamed temporary file, which is deleted when it is closed.
// File streams over it must be released before the file goes away.
class TestByteFile {
public:
    explicit TestByteFile(std::string_view bytes) : handle(std::tmpfile()) {
        // Flushed, so that reads that pass the file's buffer by (positioned reads) see the bytes.
        if (!handle || std::fwrite(bytes.data(), 1, bytes.size(), handle) != bytes.size() || std::fflush(handle) != 0)
            throw std::runtime_error("cannot write a temporary file");
    }
    TestByteFile(const TestByteFile&) = delete;
    TestByteFile& operator=(const TestByteFile&) = delete;
    ~TestByteFile() { std::fclose(handle); }

    FILE* get() const { return handle; }
    // A new file stream; length 0 runs to the end of the file.
    RetainPtr<CPdfStream> openStream(uint32_t start = 0, uint32_t length = 0) const {
        return makeRetained<CPdfFileStream>(handle, start, length, CPdfElement::null());
    }

private:
    FILE* handle;
};

// Everything the stream delivers up to its first -1.
inline std::string readAll(CPdfStream& stream) {
    std::string bytes;
    for (int c = stream.readByte(); c >= 0; c = stream.readByte()) bytes.push_back(static_cast<char>(c));
    return bytes;
}

inline std::string byteString(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) bytes.push_back(static_cast<char>(value));
    return bytes;
}

// The zlib format of `data`, as a FlateDecode stream holds it.
inline std::string zlibCompressed(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string packed(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                 data.size()) != Z_OK)
        throw std::runtime_error("compress failed");
    packed.resize(size);
    return packed;
}

// The first object of `text`, parsed without a cross-reference. Not for stream
// objects: their data would lie in a file that is gone.
inline CPdfElement parseFirst(std::string_view text) {
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    CPdfElement object;
    parser.parseObject(object);
    return object;
}
