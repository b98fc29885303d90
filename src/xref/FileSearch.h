#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "stream/FileWindow.h"
#include "xref/ObjectHeaderSearch.h"

// The searches of a scan that moves forward through a whole file, over one file
// window. What a search learns is remembered (where the next header is, or that
// none comes before some position; where the next "endstream" is), so that however
// often the scan asks, each byte of the file is searched about once.
class FileSearch {
public:
    // Bytes from one before `at` (when there is a byte before it), so that a search
    // can tell whether a token starts right at `at`.
    struct View {
        const uint8_t* bytes = nullptr;
        size_t length = 0;
        size_t lead = 0;     // the index of `at`
        uint64_t start = 0;  // the file position of bytes[0]
        bool endsFile = false;
    };

    FileSearch(FILE* file, uint64_t fileSize);

    // At least `count` bytes from `at` on (fewer where the file ends). Valid until
    // the next call of any member.
    View view(uint64_t at, size_t count);

    // The first object header that starts in [from, until); its start and end are
    // file positions.
    bool nextHeader(uint64_t from, uint64_t until, ObjectHeader& header);
    // The position of the first keyword "trailer" in [from, until).
    bool nextTrailer(uint64_t from, uint64_t until, uint64_t& at);
    // Just after the first "endstream" from `from` on.
    bool nextEndstream(uint64_t from, uint64_t& end);

    uint64_t fileSize() const { return size; }

private:
    FileWindow window;
    uint64_t size;

    // No header starts in [headersFrom, headersTo); when `headerKnown`, the next
    // one after that is `knownHeader`.
    uint64_t headersFrom = 0;
    uint64_t headersTo = 0;
    bool headerKnown = false;
    ObjectHeader knownHeader;

    // No "endstream" ends in (endstreamFrom, endstreamEnd); `endstreamFound` says
    // whether one ends at endstreamEnd (otherwise the file ends there).
    uint64_t endstreamFrom = UINT64_MAX;
    uint64_t endstreamEnd = 0;
    bool endstreamFound = false;
};
