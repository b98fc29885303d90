#pragma once

#include <cstdint>

#include "stream/PdfStream.h"

// A window of bytes held in memory (a decoded object stream), read like a file.
// It borrows the bytes: their owner keeps them alive while the stream is read.
// Offsets count from the start of the bytes.
class CPdfMemoryStream : public CPdfStream {
public:
    CPdfMemoryStream(const uint8_t* bytes, uint32_t length) : bytes(bytes), length(length) {}

    void rewind() override { position = 0; }
    int readByte() override { return position < length ? bytes[position++] : -1; }
    int peekByte() override { return position < length ? bytes[position] : -1; }
    CPdfDictionary* streamDictionary() const override { return nullptr; }
    uint64_t tell() const override { return position; }
    void seek(int64_t offset, int whence) override;
    uint64_t windowStart() const override { return 0; }
    void shiftWindow(int64_t) override {}
    uint64_t windowLength() const override { return length; }
    // Objects in memory hold no stream data of their own.
    RetainPtr<CPdfStream> openWindow(uint64_t, uint64_t, const CPdfElement&) override { return nullptr; }

private:
    const uint8_t* bytes;
    uint32_t length;
    uint32_t position = 0;
};
