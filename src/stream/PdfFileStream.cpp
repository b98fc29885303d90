#include "stream/PdfFileStream.h"

#include "model/PdfDictionary.h"
#include "platform/Platform.h"

CPdfFileStream::CPdfFileStream(FILE* file, uint64_t start, uint64_t length, const CPdfElement& dictionary,
                               std::shared_ptr<FileBlockCache> blocks)
    : file(file),
      blocks(blocks ? std::move(blocks) : std::make_shared<FileBlockCache>(file)),
      start(start),
      length(length) {
    this->dictionary.copyFrom(dictionary);
    rewind();
}

void CPdfFileStream::rewind() { seek(static_cast<int64_t>(start), 0); }

CPdfDictionary* CPdfFileStream::streamDictionary() const {
    return dictionary.is(ElementType::Dictionary) ? dictionary.dictionary() : nullptr;
}

void CPdfFileStream::seek(int64_t offset, int whence) {
    int64_t target = 0;
    if (whence == 2) {
        platform::seekFile(file, 0, SEEK_END);
        target = platform::tellFile(file) + offset;
    } else {
        target = offset;
    }
    if (target < 0) target = 0;
    bufferPosition = static_cast<uint64_t>(target);
    current = end = 0;
    refilled = false;
}

void CPdfFileStream::shiftWindow(int64_t delta) {
    start += static_cast<uint64_t>(delta);
    bufferPosition = start;
    current = end = 0;
    refilled = false;
}

RetainPtr<CPdfStream> CPdfFileStream::openWindow(uint64_t windowStart, uint64_t windowLength,
                                                 const CPdfElement& windowDictionary) {
    return makeRetained<CPdfFileStream>(file, windowStart, windowLength, windowDictionary, blocks);
}

size_t CPdfFileStream::readBlock(uint8_t* into, size_t count) {
    return copyFromBuffer(buffer, current, end, into, count, [this] { return refill(); });
}

bool CPdfFileStream::refill() {
    bufferPosition += end;
    current = end = 0;
    uint32_t amount = refilled ? bufferSize : firstRefillSize;
    refilled = true;
    if (length != 0) {
        const uint64_t windowEnd = start + length;
        if (bufferPosition >= windowEnd) return false;
        if (bufferPosition + uint64_t{amount} > windowEnd) amount = static_cast<uint32_t>(windowEnd - bufferPosition);
    }
    end = blocks->read(bufferPosition, buffer, amount);
    return end > 0;
}
