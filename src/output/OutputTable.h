#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "xref/SplitOffset.h"

// One record of the output's cross-reference table. `written`: 0 when the object
// was not written, 1 when it stands in the file at offset() with generation `gen`,
// inObjectStream when it went into object stream number offset() at index `gen`.
struct OutputEntry {
    static constexpr uint8_t inObjectStream = 2;

    OutputEntry() = default;
    OutputEntry(uint64_t offset, int32_t generation, uint8_t wasWritten) : gen(generation), written(wasWritten) {
        setOffset(offset);
    }

    uint64_t offset() const { return static_cast<uint64_t>(splitoffset::joined(offsetLow, offsetHigh)); }
    // An offset past 48 bits is held there: far past what a table can write.
    void setOffset(uint64_t value) {
        const int64_t held = static_cast<int64_t>(std::min<uint64_t>(value, splitoffset::largest));
        offsetLow = splitoffset::lowPart(held);
        offsetHigh = splitoffset::highPart(held);
    }

    // The offset's parts, read through offset(); in this order the record takes twelve bytes.
    uint32_t offsetLow = 0;
    int32_t gen = 0;
    int16_t offsetHigh = 0;
    uint8_t written = 0;
};

static_assert(sizeof(OutputEntry) == 12, "a record is held per object: twelve bytes");

// The output's cross-reference as the objects are written. A table written whole
// from 0 holds a record for every number, indexed by number, as it is written; any
// other holds a record for each object written, in ascending number (the order of
// writing), so that memory follows the objects written however high their numbers.
class OutputTable {
public:
    using Record = std::pair<int32_t, OutputEntry>;

    OutputTable() = default;
    // Numbers below `numberBound` are the input's. `whole`: the table is written as
    // one subsection from 0; otherwise in subsections of the objects written.
    OutputTable(int32_t numberBound, bool whole);

    // The record of object `number`, made for it when it has none yet.
    OutputEntry& add(int32_t number);
    // The record of object `number`, or null when it was not written.
    const OutputEntry* find(int32_t number) const {
        if (whole) {
            if (number < 0 || static_cast<size_t>(number) >= byNumber.size()) return nullptr;
            const OutputEntry& record = byNumber[static_cast<size_t>(number)];
            return record.written ? &record : nullptr;
        }
        // The copy asks about each number as it comes to it, past the last
        // written: that answer needs no search.
        if (written.empty() || written.back().first < number) return nullptr;
        if (written.back().first == number) return &written.back().second;
        return findEarlier(number);
    }
    bool isWritten(int32_t number) const {
        const OutputEntry* record = find(number);
        return record && record->written != 0;
    }
    // Calls `visit(number, record)` for each object written, in ascending number.
    template <class Visit>
    void forEachWritten(Visit visit) const {
        if (whole) {
            for (size_t number = 0; number < byNumber.size(); ++number)
                if (byNumber[number].written) visit(static_cast<int32_t>(number), byNumber[number]);
            return;
        }
        for (const Record& record : written)
            if (record.second.written) visit(record.first, record.second);
    }
    // The table's Size: one past the highest number it covers.
    int32_t size() const;
    bool writtenWhole() const { return whole; }
    // A whole table's records, by number.
    const std::vector<OutputEntry>& recordsByNumber() const { return byNumber; }
    // The records of the objects written, for a table not written whole.
    const std::vector<Record>& records() const { return written; }

private:
    const OutputEntry* findEarlier(int32_t number) const;

    std::vector<OutputEntry> byNumber;
    std::vector<Record> written;
    int32_t numbers = 0;
    bool whole = true;
};
