#include "output/OutputFile.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "limits/Limits.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

OutputFile::OutputFile(const char* inputName, const char* outputName) : outputName(outputName) {
    if (platform::isSameFile(inputName, outputName)) {
        replacedInput = platform::resolvePath(inputName);
        if (!replacedInput.empty()) file = platform::createTemporaryBeside(replacedInput, writeTarget);
    } else {
        file = std::fopen(outputName, "wb");
        writeTarget = outputName;
    }
    if (!file) throw CPdfException::formatted("\nOutput file create error: %s\n", outputName);
    // Only a regular file is removed on failure: an output such as /dev/full or a
    // pipe is not ours to delete (as root, removing it would unlink the device).
    pending = platform::isRegularFile(file);
}

OutputFile::~OutputFile() { abandon(); }

void OutputFile::failWrite() const {
    throw CPdfException::formatted("\nOutput file write error: %s\n", outputName.c_str());
}

void OutputFile::write(const void* bytes, size_t length) {
    if (length != 0 && std::fwrite(bytes, 1, length, file) != length) failWrite();
    bytesWritten += length;
}

uint64_t OutputFile::copyFrom(FILE* input, uint64_t count) {
    if (std::fflush(file) != 0) failWrite();
    uint64_t copied = platform::copyInSystem(input, 0, file, count);
    bytesWritten += copied;
    if (copied < count && fseeko(input, static_cast<off_t>(copied), SEEK_SET) == 0) {
        std::vector<char> block(limits::copyBlockBytes);
        while (copied < count) {
            const size_t read = std::fread(block.data(), 1, std::min<uint64_t>(block.size(), count - copied), input);
            if (read == 0) break;
            write(block.data(), read);
            copied += read;
        }
    }
    return copied;
}

void OutputFile::writeFramed(const char* before, int64_t number, const char* after) {
    write(before, std::strlen(before));
    write(std::to_string(number));
    write(after, std::strlen(after));
}

// The output starts empty and only write() adds to it, so the count of bytes
// written is its position; asking the file would cost a system call per object.
uint32_t OutputFile::position() const {
    if (bytesWritten > UINT32_MAX) failWrite();
    return static_cast<uint32_t>(bytesWritten);
}

void OutputFile::commit() {
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!flushed || !closed) failWrite();
    if (!replacedInput.empty() && !platform::replaceFile(writeTarget, replacedInput)) failWrite();
    pending = false;
}

void OutputFile::abandon() {
    if (file) std::fclose(file);
    file = nullptr;
    if (pending) platform::removeFile(writeTarget.c_str());
    pending = false;
}
