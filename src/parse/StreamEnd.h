#pragma once

#include <cstdint>

// Where the data of a stream ends when its Length does not lead to "endstream"
// (damage that "-repair" reads past). The parser asks only when it is given one.
class StreamEndFinder {
public:
    virtual ~StreamEndFinder() = default;
    // The length of the data that starts at file position `dataStart`, whose Length
    // says `declared`.
    virtual uint32_t dataLength(uint32_t dataStart, uint32_t declared) const = 0;
};
