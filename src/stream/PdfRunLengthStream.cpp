#include "stream/PdfRunLengthStream.h"

#include <algorithm>
#include <cstring>

// Reads the next run's length byte (and the byte it repeats).
bool CPdfRunLengthStream::startRun() {
    const int length = nextInput();
    if (length < 0 || length == 128) return false;
    if (length < 128) {
        runLeft = static_cast<uint32_t>(length) + 1;
        repeatedByte = -1;
        return true;
    }
    repeatedByte = nextInput();
    runLeft = 257 - static_cast<uint32_t>(length);
    return repeatedByte >= 0;
}

uint32_t CPdfRunLengthStream::decode(unsigned char* into, uint32_t room) {
    uint32_t done = 0;
    while (done < room && !finished) {
        if (runLeft == 0) {
            if (!startRun()) finished = true;
            continue;
        }
        if (repeatedByte >= 0) {
            const uint32_t take = std::min(runLeft, room - done);
            std::memset(into + done, repeatedByte, take);
            done += take;
            runLeft -= take;
            continue;
        }
        const int c = nextInput();
        if (c < 0) {
            finished = true;
            break;
        }
        into[done++] = static_cast<unsigned char>(c);
        --runLeft;
    }
    return done;
}
