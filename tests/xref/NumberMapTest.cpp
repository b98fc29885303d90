#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "model/PdfException.h"
#include "xref/NumberMap.h"
#include "xref/XRefEntryTable.h"

namespace {

std::vector<std::pair<int32_t, int>> walked(const NumberMap<int>& map) {
    std::vector<std::pair<int32_t, int>> items;
    for (const auto [number, value] : map)
        if (value != 0) items.emplace_back(number, value);
    return items;
}

XRefEntry at(int32_t offset) { return XRefEntry{offset, 0, XRefEntryType::Uncompressed}; }

}  // namespace

// Numbers given in any order come back in ascending order, whether they ended in
// the vector or apart, and each number holds the last value given.
TEST(NumberMap, WalksInAscendingNumberAndFindsWhatWasGiven) {
    NumberMap<int> map;
    for (const int32_t number : {100000000, 7, 2147483646, 3, 5000000, 7}) map.at(number) = number % 1000 + 1;
    map.order();
    const std::vector<std::pair<int32_t, int>> expected = {
        {3, 4}, {7, 8}, {5000000, 1}, {100000000, 1}, {2147483646, 647}};
    EXPECT_EQ(expected, walked(map));
    EXPECT_EQ(5u, map.count());
    EXPECT_LT(map.denseSize(), size_t{1} << 20) << "far numbers are not held by number";
    ASSERT_NE(nullptr, map.find(5000000));
    EXPECT_EQ(1, *map.find(5000000));
    for (const int32_t absent : {-1, 4999999, 5000001, 2147483647}) EXPECT_EQ(nullptr, map.find(absent)) << absent;
    ASSERT_NE(nullptr, map.find(5)) << "a place in the vector without a value";
    EXPECT_EQ(0, *map.find(5));
}

// A far number given after the walk order was set, and a far number that the
// vector later grows to cover, are found and walked all the same.
TEST(NumberMap, TakesValuesBeforeAndAfterOrdering) {
    NumberMap<int> map;
    map.at(70000) = 1;  // past the floor while nothing else is given: held apart
    for (int32_t number = 0; number < 40000; ++number) map.at(number) = 2;  // the vector grows past it
    EXPECT_EQ(1, *map.find(70000));
    map.order();
    EXPECT_EQ(1, *map.find(70000));
    map.at(900000000) = 3;
    EXPECT_EQ(3, *map.find(900000000));
    map.order();
    const auto items = walked(map);
    ASSERT_EQ(40002u, items.size());
    EXPECT_EQ(std::make_pair(70000, 1), items[40000]);
    EXPECT_EQ(std::make_pair(900000000, 3), items[40001]);
}

// Numbers that turn out dense end in the vector, whatever order they came in.
TEST(NumberMap, DenseNumbersEndInTheVector) {
    NumberMap<int> map;
    for (int32_t number = 199999; number >= 0; --number) map.at(number) = 1;
    map.order();
    EXPECT_EQ(200000u, map.denseSize());
    EXPECT_EQ(200000u, walked(map).size());
}

// Room made ahead for numbers about to come changes nothing that is read: not
// where numbers are held, not what is found or walked, whether the count told was
// right, too large (a table that lists more rows than it has), or told after far
// values were given. A failure here would show as numbers held densely that the
// map without room holds apart, or the other way round.
TEST(NumberMap, RoomMadeAheadChangesNothingThatIsRead) {
    struct Case {
        bool farFirst;                                     // a far value is given before the room is made
        std::vector<std::pair<int32_t, size_t>> expected;  // first number and count
        std::vector<int32_t> given;
    };
    std::vector<int32_t> run;
    for (int32_t number = 1; number < 50000; ++number) run.push_back(number);
    std::vector<int32_t> runThenFar = run;
    runThenFar.push_back(2000000000);
    const std::vector<Case> cases = {
        {false, {{1, 49999}}, run},
        {false, {{1, 10'000'000}}, run},           // a count far past the values given
        {false, {{1, 49999}}, runThenFar},         // a far number after the run
        {false, {{300000, 5}}, {300000, 300001}},  // a subsection that starts far out
        {false, {{1, 3}, {1, 49999}}, run},        // told twice
        {true, {{1, 49999}}, run},
    };
    for (size_t index = 0; index < cases.size(); ++index) {
        NumberMap<int> told, untold;
        if (cases[index].farFirst) {
            told.at(1500000000) = 9;
            untold.at(1500000000) = 9;
        }
        for (const auto& [first, count] : cases[index].expected) told.expect(first, count);
        EXPECT_EQ(0u, told.denseSize()) << index << ": room is not a value";
        for (const int32_t number : cases[index].given) {
            told.at(number) = number % 97 + 1;
            untold.at(number) = number % 97 + 1;
        }
        EXPECT_EQ(untold.denseSize(), told.denseSize()) << index;
        told.order();
        untold.order();
        EXPECT_EQ(walked(untold), walked(told)) << index;
        EXPECT_EQ(untold.count(), told.count()) << index;
    }
}

// The table of a file: the newest section wins, numbers below the bound that no
// section set read as unset, numbers beyond it are outside.
TEST(XRefEntryTableStorage, SparseEntriesFollowTheSectionRules) {
    XRefEntryTable table;
    table.setFileSize(1000);
    ASSERT_TRUE(table.grow(99999993));
    table.setIfUnset(99999991, at(10));
    table.setIfUnset(99999991, at(20));  // an older section
    table.setIfUnset(1, at(30));
    table.applyFree(
        {{99999992, XRefEntry{0, 1, XRefEntryType::Free}}, {99999991, XRefEntry{0, 1, XRefEntryType::Free}}});
    table.finish();
    EXPECT_EQ(10, table.at(99999991).offset());
    EXPECT_EQ(XRefEntryType::Free, table.at(99999992).type);
    EXPECT_TRUE(table.at(99999990).isUnset());
    EXPECT_EQ(nullptr, table.find(99999993));
    EXPECT_EQ(nullptr, table.find(-1));
    EXPECT_EQ(3u, table.listedCount());
    std::vector<int32_t> listed;
    for (const auto [number, entry] : table)
        if (!entry.isUnset()) listed.push_back(number);
    EXPECT_EQ((std::vector<int32_t>{1, 99999991, 99999992}), listed);
    EXPECT_FALSE(table.fitsOneTable());
    EXPECT_EQ(3u, table.objectsAtMost()) << "a page count is bounded by the entries listed";
    EXPECT_FALSE(table.grow(int64_t{INT32_MAX} + 1)) << "beyond a signed 32-bit number";
}

// The bound counts entries listed, not numbers: a file cannot list more than its
// size holds, however its numbers run.
TEST(XRefEntryTableStorage, MoreEntriesThanTheFileHoldsAreDamage) {
    XRefEntryTable table;
    table.setFileSize(0);
    ASSERT_TRUE(table.grow(INT32_MAX));
    const uint64_t allowed = XRefEntryTable::entriesAFileCanHold(0);
    for (uint64_t i = 0; i < allowed; ++i) table.setIfUnset(static_cast<int64_t>(i) * 1000, at(1));
    EXPECT_THROW(table.setIfUnset(2000000000, at(1)), CPdfException);
}
