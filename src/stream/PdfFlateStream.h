#pragma once

#include <zlib.h>

#include <memory>

#include "limits/Limits.h"
#include "stream/PdfPredictor.h"
#include "stream/PdfStream.h"

// FlateDecode over another stream, optionally followed by a PNG or TIFF predictor.
// The compressed bytes are fed to inflate in pieces as they are needed, so a huge
// stream costs neither memory nor time before it is read. A stream whose data turns
// bad ends quietly after the output of the last refill that completed.
class CPdfFlateStream : public CPdfStream {
public:
    // Throws when zlib cannot start.
    CPdfFlateStream(RetainPtr<CPdfStream> underlying, int32_t predictor, int32_t columns, int32_t colors, int32_t bits);

    void rewind() override {}
    int readByte() override { return predictorState ? predictorState->readByte() : getRawChar(); }
    int getRawChar() override {
        if (current == end && !refill()) return -1;
        return output[current++];
    }
    int peekByte() override;
    size_t readBlock(uint8_t* into, size_t count) override;
    CPdfDictionary* streamDictionary() const override { return underlying->streamDictionary(); }
    uint32_t tell() const override { return underlying->tell(); }
    void seek(int32_t, int) override {}
    uint32_t windowStart() const override { return underlying->windowStart(); }
    void shiftWindow(int32_t delta) override { underlying->shiftWindow(delta); }
    uint32_t windowLength() const override { return underlying->windowLength(); }
    RetainPtr<CPdfStream> openWindow(uint32_t, uint32_t, const CPdfElement&) override { return nullptr; }

    static constexpr uint32_t outputSize = limits::inflateOutputBytes;

protected:
    ~CPdfFlateStream() override;

private:
    bool refill();
    bool feedInput();

    RetainPtr<CPdfStream> underlying;
    std::unique_ptr<CPdfPredictor> predictorState;
    z_stream inflateState{};
    uint32_t inputRemaining;  // window bytes not yet taken from the underlying stream
    bool inputExhausted = false;
    bool ended = false;
    unsigned char input[4096];
    unsigned char output[outputSize];
    uint32_t current = 0;
    uint32_t end = 0;
};
