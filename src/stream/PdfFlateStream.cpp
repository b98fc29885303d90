#include "stream/PdfFlateStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "stream/Adler32.h"

CPdfFlateStream::CPdfFlateStream(RetainPtr<CPdfStream> underlying, int32_t predictor, int32_t columns, int32_t colors,
                                 int32_t bits)
    : CPdfDecodingStream(std::move(underlying)), checksum(adler::start) {
    if (inflateInit(&inflateState) != Z_OK) throw std::bad_alloc();
    try {
        inflateValidate(&inflateState, 0);
        usePredictor(predictor, columns, colors, bits);
    } catch (...) {
        inflateEnd(&inflateState);
        throw;
    }
}

CPdfFlateStream::~CPdfFlateStream() { inflateEnd(&inflateState); }

// Inflates until `room` is full or the input ends. A call that fails drops what
// it produced, and the stream ends; so does one that reaches the stream's end
// with a checksum that does not match, as zlib's own check would have failed it.
uint32_t CPdfFlateStream::decode(unsigned char* into, uint32_t room) {
    if (finished) return 0;
    inflateState.next_out = into;
    inflateState.avail_out = room;
    while (inflateState.avail_out > 0) {
        if (inflateState.avail_in == 0 && !nextPiece()) break;
        unsigned char* const produced = inflateState.next_out;
        const int result = inflate(&inflateState, Z_NO_FLUSH);
        checksum = adler::update(checksum, produced, static_cast<size_t>(inflateState.next_out - produced));
        if (result == Z_STREAM_END) {
            finished = true;
            if (!checksumHolds()) return 0;
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

// Gives inflate the next piece of input, keeping the last bytes of the one it used up.
bool CPdfFlateStream::nextPiece() {
    const uint32_t kept = std::min<uint32_t>(inputEnd, sizeof earlierInput);
    std::memmove(earlierInput, earlierInput + kept, sizeof earlierInput - kept);
    std::memcpy(earlierInput + sizeof earlierInput - kept, input + inputEnd - kept, kept);
    if (!readInputPiece()) return false;
    inflateState.next_in = input;
    inflateState.avail_in = inputEnd;
    return true;
}

// At the stream's end zlib has just read the four bytes of the checksum, most
// significant first: they lie right before its next input, partly in an earlier piece.
bool CPdfFlateStream::checksumHolds() const {
    const uint32_t inPiece = static_cast<uint32_t>(inflateState.next_in - input);
    unsigned char stored[4];
    const uint32_t fromPiece = std::min<uint32_t>(inPiece, sizeof stored);
    const uint32_t fromEarlier = sizeof stored - fromPiece;
    std::memcpy(stored, earlierInput + sizeof earlierInput - fromEarlier, fromEarlier);
    std::memcpy(stored + fromEarlier, input + inPiece - fromPiece, fromPiece);
    const uint32_t expected =
        (uint32_t{stored[0]} << 24) | (uint32_t{stored[1]} << 16) | (uint32_t{stored[2]} << 8) | uint32_t{stored[3]};
    return expected == checksum;
}
