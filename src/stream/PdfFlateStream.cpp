#include "stream/PdfFlateStream.h"

#include <algorithm>
#include <new>

#include "model/PdfException.h"

CPdfFlateStream::CPdfFlateStream(RetainPtr<CPdfStream> underlying, int32_t predictor, int32_t columns, int32_t colors,
                                 int32_t bits)
    : underlying(std::move(underlying)), inputRemaining(this->underlying->windowLength()) {
    if (inflateInit(&inflateState) != Z_OK) throw std::bad_alloc();
    if (predictor != 1) {
        try {
            predictorState = std::make_unique<CPdfPredictor>(this, predictor, columns, colors, bits);
        } catch (...) {
            inflateEnd(&inflateState);
            throw;
        }
    }
}

CPdfFlateStream::~CPdfFlateStream() { inflateEnd(&inflateState); }

size_t CPdfFlateStream::readBlock(uint8_t* into, size_t count) {
    if (predictorState) return predictorState->readBlock(into, count);
    return copyFromBuffer(output, current, end, into, count, [this] { return refill(); });
}

int CPdfFlateStream::peekByte() {
    if (predictorState) return predictorState->peekByte();
    if (current == end && !refill()) return -1;
    return output[current];
}

// Takes the next piece of the window from the underlying stream. The window is
// bounded by what the file really holds: reading stops at its end.
bool CPdfFlateStream::feedInput() {
    if (inputExhausted) return false;
    const uint32_t wanted = std::min<uint32_t>(sizeof input, inputRemaining);
    const auto count = static_cast<uint32_t>(underlying->readBlock(input, wanted));
    inputRemaining = count < wanted ? 0 : inputRemaining - count;
    if (inputRemaining == 0) inputExhausted = true;
    inflateState.next_in = input;
    inflateState.avail_in = count;
    return count > 0;
}

// Fills the output buffer with up to 1024 inflated bytes. A call that fails drops
// what it produced, and the stream ends.
bool CPdfFlateStream::refill() {
    current = end = 0;
    if (ended) return false;
    inflateState.next_out = output;
    inflateState.avail_out = outputSize;
    while (inflateState.avail_out > 0) {
        if (inflateState.avail_in == 0 && !feedInput()) break;
        const int result = inflate(&inflateState, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            ended = true;
            return false;
        }
        if (result == Z_BUF_ERROR && inflateState.avail_in > 0) break;  // no progress possible
    }
    end = outputSize - inflateState.avail_out;
    if (end == 0) ended = true;
    return end > 0;
}
