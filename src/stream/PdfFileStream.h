#pragma once

#include <cstdio>
#include <memory>

#include "limits/Limits.h"
#include "model/PdfElement.h"
#include "stream/FileBlockCache.h"
#include "stream/PdfStream.h"

// A window of the input file read through a small buffer. All file streams of one
// document share one open file and one cache of its blocks, and read at their own
// positions, so they may be read in turn.
class CPdfFileStream final : public CPdfStream {
public:
    // length 0: the window runs to the end of the file. `blocks`: the cache of the
    // document's other file streams; a new one when none is given.
    CPdfFileStream(FILE* file, uint64_t start, uint64_t length, const CPdfElement& dictionary,
                   std::shared_ptr<FileBlockCache> blocks = nullptr);

    void rewind() override;
    int readByte() override {
        if (current == end && !refill()) return -1;
        return buffer[current++];
    }
    int peekByte() override {
        if (current == end && !refill()) return -1;
        return buffer[current];
    }
    size_t readBlock(uint8_t* into, size_t count) override;
    CPdfDictionary* streamDictionary() const override;
    uint64_t tell() const override { return bufferPosition + current; }
    void seek(int64_t offset, int whence) override;
    uint64_t windowStart() const override { return start; }
    void shiftWindow(int64_t delta) override;
    uint64_t windowLength() const override { return length; }
    RetainPtr<CPdfStream> openWindow(uint64_t windowStart, uint64_t windowLength,
                                     const CPdfElement& windowDictionary) override;

    // The open file under the stream, for reads in large blocks that pass the buffer by.
    FILE* fileHandle() const { return file; }
    // The cache of blocks this stream shares with the document's other file streams.
    FileBlockCache& blockCache() const { return *blocks; }

    static constexpr uint32_t firstRefillSize = limits::firstRefillBytes;
    static constexpr uint32_t bufferSize = limits::fileStreamBufferBytes;

private:
    bool refill();

    CPdfElement dictionary;
    FILE* file;
    std::shared_ptr<FileBlockCache> blocks;
    uint64_t start;
    uint64_t length;
    uint64_t bufferPosition = 0;
    unsigned char buffer[bufferSize];
    uint32_t current = 0;
    uint32_t end = 0;
    bool refilled = false;  // since the last seek: the next refill takes a whole block
};
