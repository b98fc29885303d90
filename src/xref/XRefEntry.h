#pragma once

#include <algorithm>
#include <cstdint>

#include "xref/SplitOffset.h"

enum class XRefEntryType : uint8_t {
    Free = 0,
    Uncompressed = 1,
    Compressed = 2,
};

// One cross-reference entry. For an Uncompressed object `offset()` is the byte
// offset of its header relative to the "%PDF-" header; for a Compressed one it is
// the number of the object stream that holds it, and `gen` its index there. An
// entry that no section has set has offset -1 and type Free.
struct XRefEntry {
    constexpr XRefEntry() = default;
    constexpr XRefEntry(int64_t offset, int32_t generation, XRefEntryType entryType)
        : offsetLow(splitoffset::lowPart(offset)),
          gen(generation),
          offsetHigh(splitoffset::highPart(offset)),
          type(entryType) {}

    int64_t offset() const { return splitoffset::joined(offsetLow, offsetHigh); }
    bool isUnset() const { return offset() == -1; }
    // Where an Uncompressed object's header is in a file whose "%PDF-" header is at
    // `base`. A negative offset (damage) is taken as the 32-bit offset it was always
    // read as (held at the 32-bit limits, then unsigned), which lies past any file
    // of less than 4 GiB.
    uint64_t position(uint64_t base) const {
        const int64_t value = offset();
        if (value >= 0) return base + static_cast<uint64_t>(value);
        return base + static_cast<uint32_t>(static_cast<int32_t>(std::max<int64_t>(value, INT32_MIN)));
    }
    // A Compressed object's stream number: 32 bits.
    int32_t number() const { return static_cast<int32_t>(offset()); }
    bool operator==(const XRefEntry&) const = default;

    // The offset's parts, read through offset(); in this order the entry takes twelve bytes.
    uint32_t offsetLow = UINT32_MAX;
    int32_t gen = 0;
    int16_t offsetHigh = -1;
    XRefEntryType type = XRefEntryType::Free;
};

static_assert(sizeof(XRefEntry) == 12, "an entry is held per object: twelve bytes");
