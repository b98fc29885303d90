#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "pages/PageRecord.h"

// Where the first record of each page object stands among the page records, for
// the copy, which asks by object number in ascending order. Page numbers mostly
// lie close together: then a table from the lowest to the highest holds the
// places, four bytes a number, no more than a sort of the records would take.
// Numbers spread wider are sorted with their places instead. The walk's bound on
// visits keeps the records far below 2^32; more would be damage.
class FirstPageRecords {
public:
    explicit FirstPageRecords(const std::vector<PageRecord>& pages);

    // The place of the first record of page object `number` (an object number, not
    // negative); nothing when no record has that number. Each call asks about a
    // number above the last.
    std::optional<size_t> find(int32_t number) {
        if (placesFromLowest.empty()) return findSorted(number);
        const auto fromLowest = static_cast<uint32_t>(number - lowest);  // a number below the lowest passes the end
        if (fromLowest >= placesFromLowest.size() || placesFromLowest[fromLowest] == 0) return std::nullopt;
        return placesFromLowest[fromLowest] - 1;
    }

private:
    std::optional<size_t> findSorted(int32_t number);
    void tabulate(const std::vector<PageRecord>& pages, size_t span);
    void sortByNumber(const std::vector<PageRecord>& pages);

    int32_t lowest = 0;
    std::vector<uint32_t> placesFromLowest;  // a record's place plus one, by number from the lowest
    std::vector<uint64_t> sorted;            // otherwise: the records' numbers and places, ordered
    size_t next = 0;                         // the first sorted word not passed yet
};
