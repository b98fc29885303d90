#include "output/OutputTable.h"

#include <algorithm>

namespace {

bool beforeNumber(const OutputTable::Record& record, int32_t number) { return record.first < number; }

}  // namespace

// Objects are written in ascending number, so a new record goes at the end; an
// object written out of order finds its place all the same.
OutputEntry& OutputTable::add(int32_t number) {
    if (written.empty() || written.back().first < number) return written.emplace_back(number, OutputEntry{}).second;
    const auto place = std::lower_bound(written.begin(), written.end(), number, beforeNumber);
    if (place != written.end() && place->first == number) return place->second;
    return written.insert(place, {number, OutputEntry{}})->second;
}

const OutputEntry* OutputTable::find(int32_t number) const {
    const auto place = std::lower_bound(written.begin(), written.end(), number, beforeNumber);
    return place != written.end() && place->first == number ? &place->second : nullptr;
}
