#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// One record of the output's cross-reference table.
struct OutputEntry {
    uint32_t offset = 0;
    int32_t gen = 0;
    int32_t written = 0;
};

// The output's cross-reference as the objects are written: a record for each
// object written, kept in ascending number (the order of writing), and the
// numbers the table covers. Memory follows the objects written, however high
// their numbers.
class OutputTable {
public:
    using Record = std::pair<int32_t, OutputEntry>;

    OutputTable() = default;
    // Numbers below `numberBound` are the input's. `whole`: the table is written as
    // one subsection from 0; otherwise in subsections of the objects written.
    OutputTable(int32_t numberBound, bool whole) : numbers(numberBound), whole(whole) {}

    // Room for this many records at once, so that the table never holds twice the
    // room it needs while it grows.
    void expect(size_t records) { written.reserve(records); }

    // The record of object `number`, made for it when it has none yet.
    OutputEntry& add(int32_t number);
    // The record of object `number`, or null when it was not written.
    const OutputEntry* find(int32_t number) const;
    bool isWritten(int32_t number) const {
        const OutputEntry* record = find(number);
        return record && record->written == 1;
    }
    // The table's Size: one past the highest number it covers.
    int32_t size() const { return written.empty() ? numbers : std::max(numbers, written.back().first + 1); }
    bool writtenWhole() const { return whole; }
    const std::vector<Record>& records() const { return written; }

private:
    std::vector<Record> written;
    int32_t numbers = 0;
    bool whole = true;
};
