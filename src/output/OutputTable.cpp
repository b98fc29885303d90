#include "output/OutputTable.h"

namespace {

bool beforeNumber(const OutputTable::Record& record, int32_t number) { return record.first < number; }

}  // namespace

OutputTable::OutputTable(int32_t numberBound, bool whole) : numbers(numberBound), whole(whole) {
    if (whole) byNumber.assign(static_cast<size_t>(std::max(numberBound, 0)), OutputEntry{});
}

// Objects are written in ascending number, so a new record of a table not written
// whole goes at the end; an object written out of order finds its place all the same.
OutputEntry& OutputTable::add(int32_t number) {
    if (whole) {
        if (static_cast<size_t>(number) >= byNumber.size()) byNumber.resize(static_cast<size_t>(number) + 1);
        return byNumber[static_cast<size_t>(number)];
    }
    if (written.empty() || written.back().first < number) return written.emplace_back(number, OutputEntry{}).second;
    const auto place = std::lower_bound(written.begin(), written.end(), number, beforeNumber);
    if (place != written.end() && place->first == number) return place->second;
    return written.insert(place, {number, OutputEntry{}})->second;
}

int32_t OutputTable::size() const {
    if (whole) return std::max(numbers, static_cast<int32_t>(byNumber.size()));
    return written.empty() ? numbers : std::max(numbers, written.back().first + 1);
}

const OutputEntry* OutputTable::findEarlier(int32_t number) const {
    const auto place = std::lower_bound(written.begin(), written.end(), number, beforeNumber);
    return place != written.end() && place->first == number ? &place->second : nullptr;
}
