#include "stream/PdfDecodingStream.h"

#include <algorithm>
#include <utility>

CPdfDecodingStream::CPdfDecodingStream(RetainPtr<CPdfStream> underlying)
    : underlying(std::move(underlying)), inputRemaining(this->underlying->lengthBound()) {}

void CPdfDecodingStream::usePredictor(int32_t predictor, int32_t columns, int32_t colors, int32_t bits) {
    if (predictor != 1) predictorState = std::make_unique<CPdfPredictor>(this, predictor, columns, colors, bits);
}

size_t CPdfDecodingStream::readBlock(uint8_t* into, size_t count) {
    if (predictorState) return predictorState->readBlock(into, count);
    return readUnpredicted(into, count);
}

int CPdfDecodingStream::peekByte() {
    if (predictorState) return predictorState->peekByte();
    if (current == end && !refill()) return -1;
    return output[current];
}

// The input is bounded by what the underlying stream really holds: reading stops
// at its first short read.
bool CPdfDecodingStream::readInputPiece() {
    inputCurrent = inputEnd = 0;
    if (inputRemaining == 0) return false;
    const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(inputSize, inputRemaining));
    inputEnd = static_cast<uint32_t>(underlying->readBlock(input, wanted));
    inputRemaining = inputEnd < wanted ? 0 : inputRemaining - inputEnd;
    return inputEnd > 0;
}

bool CPdfDecodingStream::refill() {
    current = end = 0;
    if (ended) return false;
    end = decode(output, outputSize);
    if (end == 0) ended = true;
    return end > 0;
}
