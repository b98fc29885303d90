#pragma once

#include <cstdint>
#include <functional>
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

    // With "-repair": a stream whose Length is wrong is written with the right one.
    void correctStreamLengths() { correctLengths = true; }
    // Told, for every object number, how many of how many have been done.
    void reportProgressTo(std::function<void(size_t, size_t)> report) { progress = std::move(report); }
    void copyAll(const std::vector<PageRecord>& pages);
    // Objects that the cross-reference lists in use but that could not be read,
    // and so were left out, in ascending number.
    const std::vector<int32_t>& unreadable() const { return unreadableObjects; }
    uint64_t correctedLengths() const { return corrected; }

private:
    void copyObject(int32_t number, struct RawObject& object, const PageRecord* page);
    bool lengthEditWhileCopying(struct RawObject& object, const PageRecord* page, struct StreamLengthEdit& edit);

    const RawObjectReader& reader;
    OutputFile& output;
    std::vector<OutputEntry>& records;
    std::vector<int32_t> unreadableObjects;
    bool correctLengths = false;
    std::function<void(size_t, size_t)> progress;
    uint64_t corrected = 0;
};
