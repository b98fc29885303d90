#pragma once

#include <cstdint>
#include <vector>

#include "output/XRefWriter.h"
#include "pages/PageRecord.h"

class OutputFile;
class RawObjectReader;

// Writes every object of the input in ascending number: its raw text unchanged,
// the selected pages with their new rotation, objects from object streams as
// ordinary objects, and no object stream itself. Fills one record per number.
class ObjectCopier {
public:
    ObjectCopier(const RawObjectReader& reader, OutputFile& output, std::vector<OutputEntry>& records);

    void copyAll(const std::vector<PageRecord>& pages);
    // Objects that the cross-reference lists in use but that could not be read,
    // and so were left out, in ascending number.
    const std::vector<int32_t>& unreadable() const { return unreadableObjects; }

private:
    void copyObject(int32_t number, const struct RawObject& object, const PageRecord* page);

    const RawObjectReader& reader;
    OutputFile& output;
    std::vector<OutputEntry>& records;
    std::vector<int32_t> unreadableObjects;
};
