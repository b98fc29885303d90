#pragma once

#include "model/PdfElement.h"
#include "stream/PdfStream.h"

// A view that reads through another stream, optionally limited to a byte count.
// It takes no count of the underlying stream: its creator keeps that alive.
class CPdfEmbedStream : public CPdfStream {
public:
    CPdfEmbedStream(CPdfStream* underlying, const CPdfElement& dictionary, bool limited, int32_t count);

    void rewind() override {}
    int readByte() override;
    int peekByte() override;
    CPdfDictionary* streamDictionary() const override;
    uint32_t tell() const override { return underlying->tell(); }
    void seek(int32_t, int) override {}
    uint32_t windowStart() const override { return 0; }
    void shiftWindow(int32_t) override {}
    uint32_t windowLength() const override { return 0; }
    RetainPtr<CPdfStream> openWindow(uint32_t, uint32_t, const CPdfElement&) override { return nullptr; }

    int32_t remainingBytes() const { return remaining; }

private:
    CPdfElement dictionary;
    CPdfStream* underlying;
    bool limited;
    int32_t remaining;
};
