#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "xref/XRefEntryTable.h"

// Where the objects stored directly in the input file start, in file order. An
// object's text cannot run into the next object, so the search for its end stops
// there: texts never overlap, and no object is scanned for more than once.
class ObjectLayout {
public:
    ObjectLayout() = default;
    ObjectLayout(const XRefEntryTable& entries, uint64_t base, uint64_t fileSize);

    // The file position where the text of an object that starts at `start` must end at the latest.
    uint64_t endOfObjectAt(uint64_t start) const;
    uint64_t fileSize() const { return fileEnd; }

private:
    // A start is held in 32 bits where the file allows: half the memory of one per object.
    std::vector<uint32_t> nearStarts;  // a file of less than 4 GiB
    std::vector<uint64_t> farStarts;   // a larger one
    uint64_t fileEnd = UINT64_MAX;
    mutable size_t lastAnswer = 0;  // where the last question's answer stood: a hint, never a fact
};
