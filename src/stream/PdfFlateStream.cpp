#include "stream/PdfFlateStream.h"

#include <new>

CPdfFlateStream::CPdfFlateStream(RetainPtr<CPdfStream> underlying, int32_t predictor, int32_t columns, int32_t colors,
                                 int32_t bits)
    : CPdfDecodingStream(std::move(underlying)) {
    if (inflateInit(&inflateState) != Z_OK) throw std::bad_alloc();
    try {
        usePredictor(predictor, columns, colors, bits);
    } catch (...) {
        inflateEnd(&inflateState);
        throw;
    }
}

CPdfFlateStream::~CPdfFlateStream() { inflateEnd(&inflateState); }

// Inflates until `room` is full or the input ends. A call that fails drops what
// it produced, and the stream ends.
uint32_t CPdfFlateStream::decode(unsigned char* into, uint32_t room) {
    if (finished) return 0;
    inflateState.next_out = into;
    inflateState.avail_out = room;
    while (inflateState.avail_out > 0) {
        if (inflateState.avail_in == 0) {
            if (!readInputPiece()) break;
            inflateState.next_in = input;
            inflateState.avail_in = inputEnd;
        }
        const int result = inflate(&inflateState, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            finished = true;
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            finished = true;
            return 0;
        }
        if (result == Z_BUF_ERROR && inflateState.avail_in > 0) break;  // no progress possible
    }
    return room - inflateState.avail_out;
}
