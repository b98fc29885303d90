#pragma once

#include <string>
#include <utility>

#include "model/PdfElement.h"
#include "stream/PdfMemoryStream.h"

// The decrypted data of one stream object, held in memory and read like the raw
// data it replaces, dictionary included.
class CPdfDecryptedStream final : public CPdfStream {
public:
    CPdfDecryptedStream(std::string plain, const CPdfElement& dictionary)
        : data(std::move(plain)), bytes(reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size())) {
        this->dictionary.copyFrom(dictionary);
    }

    void rewind() override { bytes.rewind(); }
    int readByte() override { return bytes.readByte(); }
    int peekByte() override { return bytes.peekByte(); }
    size_t readBlock(uint8_t* into, size_t count) override { return bytes.readBlock(into, count); }
    CPdfDictionary* streamDictionary() const override {
        return dictionary.is(ElementType::Dictionary) ? dictionary.dictionary() : nullptr;
    }
    uint32_t tell() const override { return bytes.tell(); }
    void seek(int32_t offset, int whence) override { bytes.seek(offset, whence); }
    uint32_t windowStart() const override { return 0; }
    void shiftWindow(int32_t) override {}
    uint32_t windowLength() const override { return static_cast<uint32_t>(data.size()); }
    RetainPtr<CPdfStream> openWindow(uint32_t, uint32_t, const CPdfElement&) override { return nullptr; }

private:
    std::string data;
    CPdfMemoryStream bytes;
    CPdfElement dictionary;
};
