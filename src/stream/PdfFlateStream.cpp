#include "stream/PdfFlateStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "limits/Limits.h"
#include "stream/Adler32.h"

namespace {

uint32_t storedChecksum(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]};
}

}  // namespace

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
// it produced, and the stream ends (a checksum that does not match fails it too).
uint32_t CPdfFlateStream::decode(unsigned char* into, uint32_t room) {
    started = true;
    if (finished) return 0;
    inflateState.next_out = into;
    inflateState.avail_out = room;
    while (inflateState.avail_out > 0) {
        if (inflateState.avail_in == 0 && !nextPiece()) break;
        const int result = inflateAndSum();
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

// The bytes inflated at once reach the same end as refills do on sound data, where
// no refill fails, and in a fraction of zlib's calls: it decodes most of a block at
// full speed only where the output has room for its longest match. The input goes
// in as the refills take it, a piece at a time, so damage stops the reading as soon
// as it stops them. Anything but a sound end within `bound` is left to the refills.
bool CPdfFlateStream::inflateWhole(DecodedBytes& out, size_t bound) {
    if (!inflatesWhole()) return false;
    started = true;
    finished = true;  // whatever comes of it, the stream is not read on
    out.resize(std::min(bound, limits::wholeInflateFirstRoom));
    size_t produced = 0;
    for (;;) {
        if (inflateState.avail_in == 0 && !nextPiece()) return false;  // cut short
        if (produced == out.size()) {
            if (out.size() >= bound) return false;
            out.resize(std::min(bound, 2 * out.size()));
        }
        inflateState.next_out = out.data() + produced;
        inflateState.avail_out = static_cast<uInt>(out.size() - produced);
        const int result = inflateAndSum();
        produced = out.size() - inflateState.avail_out;
        if (result == Z_STREAM_END) {
            out.resize(produced);
            return produced < bound;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) return false;
        if (result == Z_BUF_ERROR && inflateState.avail_in > 0 && inflateState.avail_out > 0) return false;
    }
}

// One call of inflate, the checksum continued over what it made. The stream's end
// with a checksum that does not match is a data error, as zlib's own check made it.
int CPdfFlateStream::inflateAndSum() {
    unsigned char* const from = inflateState.next_out;
    const int result = inflate(&inflateState, Z_NO_FLUSH);
    checksum = adler::update(checksum, from, static_cast<size_t>(inflateState.next_out - from));
    return result == Z_STREAM_END && !checksumHolds() ? Z_DATA_ERROR : result;
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
    return storedChecksum(stored) == checksum;
}
