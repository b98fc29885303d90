#pragma once

#include <cstdint>
#include <cstdio>

#include "parse/StreamEnd.h"

// The end of a stream's data in a damaged file, as "-repair" reads it: a stream
// never runs into the object header that follows it. Its data ends
//   - before the nearest "endstream" that comes before the next object header;
//   - else, where there is no "endstream" at all, at its Length when the object's
//     closing keyword follows there, else before the last one ahead of that header;
//   - else just before that header (or the end of the file).
// The line end before the word or header is not data. The search reads forward
// from the data's start in growing blocks and stops at the next header, so each
// stream costs about the bytes up to the next object.
class StreamEndSearch final : public StreamEndFinder {
public:
    StreamEndSearch(FILE* file, uint64_t fileSize) : file(file), fileSize(fileSize) {}
    uint64_t dataLength(uint64_t dataStart, uint64_t declared) const override;

private:
    bool closingKeywordAt(uint64_t position) const;
    uint64_t withoutLineEnd(uint64_t dataStart, uint64_t end) const;

    FILE* file;
    uint64_t fileSize;
};
