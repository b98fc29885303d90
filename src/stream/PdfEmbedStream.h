#pragma once

#include "stream/PdfStream.h"

// A view that reads at most `limit` bytes through another stream, from where that
// stream stands: an object stream's header is parsed through one, so that a First
// far into the data decodes no more than the header. It takes no count of the
// underlying stream: its creator keeps that alive. It has no dictionary.
class CPdfEmbedStream : public CPdfStream {
public:
    CPdfEmbedStream(CPdfStream* underlying, int32_t limit);

    void rewind() override {}
    int readByte() override;
    int peekByte() override;
    CPdfDictionary* streamDictionary() const override { return nullptr; }
    uint64_t tell() const override { return underlying->tell(); }
    void seek(int64_t, int) override {}
    uint64_t windowStart() const override { return 0; }
    void shiftWindow(int64_t) override {}
    uint64_t windowLength() const override { return 0; }
    RetainPtr<CPdfStream> openWindow(uint64_t, uint64_t, const CPdfElement&) override { return nullptr; }

    int32_t remainingBytes() const { return remaining; }

private:
    CPdfStream* underlying;
    int32_t remaining;
};
