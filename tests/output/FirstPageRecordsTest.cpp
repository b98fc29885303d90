// The copy finds each page object's first record by its number, in ascending
// order of the numbers, whether the pages' numbers lie close together (a table)
// or far apart (a sort): checked against a search of the records.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "output/FirstPageRecords.h"

namespace {

std::optional<size_t> firstRecordSearched(const std::vector<PageRecord>& pages, int32_t number) {
    for (size_t place = 0; place < pages.size(); ++place)
        if (pages[place].objNum == number) return place;
    return std::nullopt;
}

std::vector<PageRecord> recordsNumbered(const std::vector<int32_t>& numbers) {
    std::vector<PageRecord> pages;
    for (const int32_t number : numbers) pages.push_back(PageRecord{number, 0, 0, 0, {}});
    return pages;
}

// Asks about every object number from `from` to `to`: the pages' own and those between and around them.
void expectFoundAsSearched(const std::vector<int32_t>& numbers, int32_t from, int32_t to) {
    const std::vector<PageRecord> pages = recordsNumbered(numbers);
    FirstPageRecords first(pages);
    for (int32_t number = from; number <= to; ++number)
        ASSERT_EQ(firstRecordSearched(pages, number), first.find(number)) << "object " << number;
}

}  // namespace

TEST(FirstPageRecords, FindsTheFirstRecordOfEachPageObjectAsASearchWould) {
    std::mt19937 random(11);
    // Close together: pages between their content streams, out of tree order,
    // some listed twice, some given directly in Kids (no number).
    std::vector<int32_t> close;
    for (int32_t page = 0; page < 3000; ++page) close.push_back(20 + 2 * page);
    std::shuffle(close.begin(), close.end(), random);
    for (int i = 0; i < 200; ++i) close.push_back(close[random() % close.size()]);
    for (int i = 0; i < 50; ++i) close.insert(close.begin() + random() % close.size(), -1);
    expectFoundAsSearched(close, 0, 20 + 2 * 3000 + 2);

    // Far apart: a few pages numbered in the millions among small ones.
    std::vector<int32_t> far = {5, 3, 2000000, 7, 3, 1999999, -1, 2000000, 9};
    const std::vector<PageRecord> pages = recordsNumbered(far);
    FirstPageRecords spread(pages);
    for (const int32_t number : {0, 2, 3, 4, 5, 7, 9, 10, 1999998, 1999999, 2000000, 2000001})
        EXPECT_EQ(firstRecordSearched(pages, number), spread.find(number)) << "object " << number;

    // Sorted and unsorted runs of numbers that do and do not fit a table.
    for (const int32_t stride : {1, 3, 4, 5, 100}) {
        std::vector<int32_t> strided;
        for (int32_t page = 0; page < 400; ++page) strided.push_back(1 + stride * ((page * 37) % 400));
        expectFoundAsSearched(strided, 0, 1 + stride * 400);
    }
    expectFoundAsSearched({}, 0, 3);
    expectFoundAsSearched({-1, -1}, 0, 1);
    expectFoundAsSearched({0, INT32_MAX}, 0, 2);
}
