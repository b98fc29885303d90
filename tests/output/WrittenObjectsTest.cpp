#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "output/WrittenObjects.h"

// Offsets ascend across multiples of 4 GiB, one step at a time or several at once
// (an object of more than 4 GiB), and each reads back whole with its number.
TEST(WrittenObjects, OffsetsReadBackWholeAcrossEveryMultipleOf4GiB) {
    constexpr uint64_t fourGiB = uint64_t{1} << 32;
    const std::vector<uint64_t> offsets = {17,          fourGiB - 1,     fourGiB,         fourGiB + 5,
                                           fourGiB + 5, 3 * fourGiB + 2, 3 * fourGiB + 9, 7 * fourGiB};
    WrittenObjects written;
    for (size_t i = 0; i < offsets.size(); ++i)
        written.add(static_cast<int32_t>(100 + i), static_cast<int32_t>(i % 3), offsets[i]);
    ASSERT_EQ(offsets.size(), written.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(offsets[i], written.offset(i)) << i;
        EXPECT_EQ(static_cast<int32_t>(100 + i), written.number(i)) << i;
        EXPECT_EQ(static_cast<int32_t>(i % 3), written.generation(i)) << i;
    }
}

// The first object may already lie past 4 GiB: an update appended to a large input.
TEST(WrittenObjects, TheFirstObjectMayLiePastSeveralMultiples) {
    WrittenObjects written;
    EXPECT_TRUE(written.empty());
    written.add(4, 0, 9'000'000'000);
    written.add(5, 0, 9'000'000'100);
    EXPECT_EQ(9'000'000'000u, written.offset(0));
    EXPECT_EQ(9'000'000'100u, written.offset(1));
}
