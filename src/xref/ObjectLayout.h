#pragma once

#include <cstdint>
#include <vector>

#include "xref/XRefEntryTable.h"

// Where the objects stored directly in the input file start, in file order. An
// object's text cannot run into the next object, so the search for its end stops
// there: texts never overlap, and no object is scanned for more than once.
class ObjectLayout {
public:
    ObjectLayout() = default;
    ObjectLayout(const XRefEntryTable& entries, uint32_t base, uint64_t fileSize);

    // The file position where the text of an object that starts at `start` must end at the latest.
    uint32_t endOfObjectAt(uint32_t start) const;
    uint32_t fileSize() const { return fileEnd; }

private:
    std::vector<uint32_t> starts;
    uint32_t fileEnd = UINT32_MAX;
};
