#pragma once

#include <cstdint>
#include <memory>

#include "limits/Limits.h"
#include "stream/PdfPredictor.h"
#include "stream/PdfStream.h"

// What every decoder of a stream filter shares: it takes its encoded input from
// another stream in pieces as it needs them, and delivers the decoded bytes
// through a buffer, followed by a PNG or TIFF predictor where the filter takes
// one. So a huge stream costs neither memory nor time before it is read, and a
// decoder holds the same few kilobytes however much its data expands: whoever
// reads it bounds how much it reads. A decoder can be read once, from the front.
// Damaged input ends the data after what could be decoded, without an exception.
class CPdfDecodingStream : public CPdfStream {
public:
    void rewind() override {}
    int readByte() override { return predictorState ? predictorState->readByte() : getRawChar(); }
    int getRawChar() override {
        if (current == end && !refill()) return -1;
        return output[current++];
    }
    int peekByte() override;
    size_t readBlock(uint8_t* into, size_t count) override;
    // Up to `count` decoded bytes as the filter gives them, before any predictor:
    // what the predictor reads its rows from.
    size_t readUnpredicted(uint8_t* into, size_t count) {
        return copyFromBuffer(output, current, end, into, count, [this] { return refill(); });
    }
    CPdfDictionary* streamDictionary() const override { return underlying->streamDictionary(); }
    uint64_t tell() const override { return underlying->tell(); }
    void seek(int64_t, int) override {}
    uint64_t windowStart() const override { return underlying->windowStart(); }
    void shiftWindow(int64_t delta) override { underlying->shiftWindow(delta); }
    uint64_t windowLength() const override { return underlying->windowLength(); }
    // The decoded length is not known before the data is decoded.
    uint64_t lengthBound() const override { return UINT64_MAX; }
    RetainPtr<CPdfStream> openWindow(uint64_t, uint64_t, const CPdfElement&) override { return nullptr; }

    static constexpr uint32_t outputSize = limits::decodeOutputBytes;
    static constexpr uint32_t inputSize = limits::decodeInputBytes;

protected:
    explicit CPdfDecodingStream(RetainPtr<CPdfStream> underlying);
    ~CPdfDecodingStream() override = default;

    // The caller has checked the parameters with CPdfPredictor::isUsable; 1 is none.
    void usePredictor(int32_t predictor, int32_t columns, int32_t colors, int32_t bits);
    bool predicts() const { return predictorState != nullptr; }

    // Decodes up to `room` bytes into `into`: 0 ends the data for good. `room` is
    // the whole output buffer, so a decoder may write a few bytes at once (a group).
    virtual uint32_t decode(unsigned char* into, uint32_t room) = 0;

    // The next encoded byte, or -1 at the end of the input.
    int nextInput() {
        if (inputCurrent == inputEnd && !readInputPiece()) return -1;
        return input[inputCurrent++];
    }
    // Reads the next piece of encoded input into `input[0, inputEnd)`, for decoders
    // that take it a piece at a time; false when nothing is left.
    bool readInputPiece();

    unsigned char input[inputSize];
    uint32_t inputCurrent = 0;
    uint32_t inputEnd = 0;

private:
    bool refill();

    RetainPtr<CPdfStream> underlying;
    std::unique_ptr<CPdfPredictor> predictorState;
    uint64_t inputRemaining;  // bytes the underlying stream may still give
    bool ended = false;
    unsigned char output[outputSize];
    uint32_t current = 0;
    uint32_t end = 0;
};
