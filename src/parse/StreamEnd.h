#pragma once

#include <cstdint>

// Where the data of a stream ends when its Length does not lead to "endstream"
// (damage that "-repair" reads past). The parser asks only when it is given one.
class StreamEndFinder {
public:
    virtual ~StreamEndFinder() = default;
    // A Length that is not known.
    static constexpr uint64_t unknownLength = UINT64_MAX;
    // The length of the data that starts at file position `dataStart`, whose Length
    // says `declared` (or unknownLength).
    virtual uint64_t dataLength(uint64_t dataStart, uint64_t declared) const = 0;
};
