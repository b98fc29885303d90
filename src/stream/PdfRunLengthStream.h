#pragma once

#include <cstdint>

#include "stream/PdfDecodingStream.h"

// RunLengthDecode: a length byte n below 128 copies the n + 1 bytes after it, one
// above 128 repeats the next byte 257 - n times, and 128 ends the data. Input that
// ends inside a run gives what it holds of it.
class CPdfRunLengthStream final : public CPdfDecodingStream {
public:
    explicit CPdfRunLengthStream(RetainPtr<CPdfStream> underlying) : CPdfDecodingStream(std::move(underlying)) {}

private:
    uint32_t decode(unsigned char* into, uint32_t room) override;
    bool startRun();

    uint32_t runLeft = 0;   // bytes of the current run still to deliver
    int repeatedByte = -1;  // the byte a repeating run repeats; -1 in a run of copies
    bool finished = false;
};
