#pragma once

#include <cstdint>

enum class XRefEntryType : int32_t {
    Free = 0,
    Uncompressed = 1,
    Compressed = 2,
};

// One cross-reference entry. For an Uncompressed object `offset` is the byte offset
// of its header relative to the "%PDF-" header; for a Compressed one it is the number
// of the object stream that holds it, and `gen` its index there. An entry that no
// section has set has offset -1 and type Free.
struct XRefEntry {
    int32_t offset = -1;
    int32_t gen = 0;
    XRefEntryType type = XRefEntryType::Free;

    bool isUnset() const { return offset == -1; }
    bool operator==(const XRefEntry&) const = default;
};
