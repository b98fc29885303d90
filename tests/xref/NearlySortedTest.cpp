// The sort of offsets and numbers gives std::sort's order for every input: nearly
// ordered ones, which it moves into place, and any other, which it hands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "xref/NearlySorted.h"

namespace {

template <class Value>
void expectSortedAsStd(std::vector<Value> values) {
    std::vector<Value> expected = values;
    std::sort(expected.begin(), expected.end());
    sortNearlySorted(values);
    EXPECT_EQ(expected, values);
}

}  // namespace

TEST(NearlySorted, GivesTheOrderOfAFullSortForAnyInput) {
    std::mt19937 random(7);
    std::vector<uint32_t> swappedPairs, reversed, shuffled, withRepeats, lateSmallest;
    for (uint32_t i = 0; i < 5000; ++i) {
        swappedPairs.push_back(i % 2 ? i - 1 : i + 1);  // a content stream before its page
        reversed.push_back(5000 - i);                   // past the moves allowed at once
        shuffled.push_back(static_cast<uint32_t>(random()));
        withRepeats.push_back(static_cast<uint32_t>(random() % 7));
        lateSmallest.push_back(i + 1);
    }
    lateSmallest.push_back(0);  // one value that moves past all others, within the moves allowed
    for (const auto& values : {swappedPairs, reversed, shuffled, withRepeats, lateSmallest}) expectSortedAsStd(values);
    expectSortedAsStd(std::vector<uint32_t>{});
    expectSortedAsStd(std::vector<uint32_t>{3});
    expectSortedAsStd(std::vector<std::pair<int32_t, size_t>>{{5, 0}, {3, 1}, {5, 2}, {1, 3}, {3, 4}});
}
