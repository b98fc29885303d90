#pragma once

#include <zlib.h>

#include "stream/DecodedBytes.h"
#include "stream/PdfDecodingStream.h"

// FlateDecode over another stream, optionally followed by a PNG or TIFF predictor.
// A stream whose data turns bad ends quietly after the output of the last refill
// that completed.
class CPdfFlateStream : public CPdfDecodingStream {
public:
    // Throws when zlib cannot start.
    CPdfFlateStream(RetainPtr<CPdfStream> underlying, int32_t predictor, int32_t columns, int32_t colors, int32_t bits);

    // The whole stream inflated at once into `out`, for a reader that would read it
    // whole: true when its data is sound and ends within `bound` decoded bytes (less
    // than `bound`), and then `out` holds what reading it to its end gives. False
    // otherwise, the stream then used up: a reader that still wants its bytes opens
    // it again and reads them in refills, which end damaged data as they always do.
    // Only a stream with no predictor that has not been read is taken at once
    // (`inflatesWhole`); another is left as it was.
    bool inflateWhole(DecodedBytes& out, size_t bound);
    bool inflatesWhole() const { return !started && !predicts(); }

protected:
    ~CPdfFlateStream() override;

private:
    uint32_t decode(unsigned char* into, uint32_t room) override;
    int inflateAndSum();
    bool nextPiece();
    bool checksumHolds() const;

    z_stream inflateState{};
    bool started = false;  // inflating has begun, in refills or at once
    bool finished = false;
    // zlib reads the checksum at the stream's end but leaves its comparison to us
    // (our sums are faster): the sum of everything inflated, and the last four
    // bytes of the input pieces before the current one, where the checksum may begin.
    uint32_t checksum;
    unsigned char earlierInput[4] = {};
};
