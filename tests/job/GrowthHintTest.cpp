#include <gtest/gtest.h>

#include "job/GrowthHint.h"

TEST(GrowthHint, OnlyAnOutputOverOneAndAHalfTimesItsInputNamesCompact) {
    EXPECT_EQ("", growthHint(1000, 1500));
    EXPECT_EQ("", growthHint(1000, 900));
    EXPECT_EQ("", growthHint(0, 5000)) << "no input size to judge by";
    EXPECT_EQ(
        "the output is 1.5 times the size of the input: -compact keeps the input's object streams and writes a "
        "smaller cross-reference",
        growthHint(1000, 1501));
    EXPECT_NE(std::string::npos, growthHint(107000, 3400000).find(" 31.7 times ")) << "tenths are cut, not rounded";
    EXPECT_NE(std::string::npos, growthHint(uint64_t{3} << 40, uint64_t{7} << 40).find(" 2.3 times "));
}
