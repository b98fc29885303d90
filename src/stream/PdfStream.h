#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "model/CountedStream.h"
#include "model/RetainPtr.h"

class CPdfDictionary;
class CPdfElement;

// The reference-counted byte source under all PDF reading. readByte and peekByte
// give a byte 0..255 or -1 at the end of the data. Offsets are absolute file offsets.
class CPdfStream : public CountedStream {
public:
    CPdfStream() = default;

    virtual void rewind() = 0;
    virtual int readByte() = 0;
    // Only a decoding stream has raw bytes below its predictor.
    virtual int getRawChar();
    virtual int peekByte() = 0;
    // Reads up to `count` bytes, as that many readByte calls would: fewer only at the
    // end of the data. Streams that hold a buffer copy from it.
    virtual size_t readBlock(uint8_t* into, size_t count);
    virtual CPdfDictionary* streamDictionary() const = 0;
    virtual uint64_t tell() const = 0;
    // whence 0: absolute offset; whence 2: offset (zero or negative) from the end of the file.
    virtual void seek(int64_t offset, int whence) = 0;
    virtual uint64_t windowStart() const = 0;
    virtual void shiftWindow(int64_t delta) = 0;
    virtual uint64_t windowLength() const = 0;
    // At most this many bytes can be read from the stream: its window's length where
    // it reads a window of stored bytes.
    virtual uint64_t lengthBound() const { return windowLength(); }
    // A new stream over a window of the same file, or null where none can be made.
    virtual RetainPtr<CPdfStream> openWindow(uint64_t start, uint64_t length, const CPdfElement& dictionary) = 0;

protected:
    ~CPdfStream() override = default;

    // readBlock for a stream that delivers its bytes from `buffer[current, end)`
    // and `refill()`s it: copies what the buffer holds, refill after refill.
    template <class Refill>
    static size_t copyFromBuffer(const unsigned char* buffer, uint32_t& current, const uint32_t& end, uint8_t* into,
                                 size_t count, Refill refill) {
        size_t done = 0;
        while (done < count && (current < end || refill())) {
            const size_t take = std::min<size_t>(count - done, end - current);
            std::memcpy(into + done, buffer + current, take);
            current += static_cast<uint32_t>(take);
            done += take;
        }
        return done;
    }
};
