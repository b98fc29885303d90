// The direction a page's text reads in: glyphs counted by the direction of their
// baseline, the majority rule, and the rotation that shows the text upright.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pages/TextDirection.h"

namespace {

GlyphCounts counts(uint64_t up, uint64_t left, uint64_t down, uint64_t right, uint64_t skewed = 0) {
    GlyphCounts glyphs;
    glyphs.byQuarterTurn = {up, left, down, right};
    glyphs.skewed = skewed;
    return glyphs;
}

TEST(GlyphCounts, BaselinesNearAnAxisCountForItOthersAreSkewed) {
    GlyphCounts glyphs;
    glyphs.addAlong(12, 0, 1);
    glyphs.addAlong(12, 3.9, 2);   // about 18 degrees off: still along x
    glyphs.addAlong(0, 5, 4);      // along y: a quarter turn counterclockwise
    glyphs.addAlong(-7, 0.1, 8);   // backwards: upside down
    glyphs.addAlong(0.2, -3, 16);  // down the page
    glyphs.addAlong(1, 1, 32);     // 45 degrees
    glyphs.addAlong(0, 0, 64);     // a font size or scaling of zero
    glyphs.addAlong(std::numeric_limits<double>::infinity(), 0, 128);
    glyphs.addAlong(std::nan(""), 1, 256);
    glyphs.addAlong(1, 0, 0);  // no glyphs: nothing
    EXPECT_EQ((std::array<uint64_t, 4>{3, 4, 8, 16}), glyphs.byQuarterTurn);
    EXPECT_EQ(32u + 64 + 128 + 256, glyphs.skewed);
    EXPECT_EQ(511u, glyphs.total());
}

TEST(GlyphCounts, AMapTurnsTheCountsWithTheGlyphs) {
    const GlyphCounts glyphs = counts(1, 2, 4, 8, 16);
    // A quarter turn counterclockwise: x goes to y.
    EXPECT_EQ((std::array<uint64_t, 4>{8, 1, 2, 4}), glyphs.mappedBy({0, 1, -1, 0}).byQuarterTurn);
    EXPECT_EQ(16u, glyphs.mappedBy({0, 1, -1, 0}).skewed);
    // Scaled and turned half round.
    EXPECT_EQ((std::array<uint64_t, 4>{4, 8, 1, 2}), glyphs.mappedBy({-3, 0, 0, -3}).byQuarterTurn);
    // A mirror in y keeps the baseline along x; a map that flattens everything skews it.
    EXPECT_EQ((std::array<uint64_t, 4>{1, 8, 4, 2}), glyphs.mappedBy({1, 0, 0, -1}).byQuarterTurn);
    EXPECT_EQ(31u, glyphs.mappedBy({0, 0, 0, 0}).skewed);
    // The identity, and a map followed by its inverse.
    EXPECT_EQ(glyphs.byQuarterTurn, glyphs.mappedBy({}).byQuarterTurn);
    const LinearMap turn{0, 1, -1, 0}, back{0, -1, 1, 0};
    EXPECT_EQ(glyphs.byQuarterTurn, glyphs.mappedBy(turn.then(back)).byQuarterTurn);
}

TEST(LinearMap, ThenAppliesThisMapFirst) {
    // Scaling x by 2, then a quarter turn: (1, 0) -> (2, 0) -> (0, 2).
    const LinearMap scaled{2, 0, 0, 1}, turn{0, 1, -1, 0};
    const LinearMap both = scaled.then(turn);
    EXPECT_DOUBLE_EQ(0, both.a);
    EXPECT_DOUBLE_EQ(2, both.b);
    EXPECT_DOUBLE_EQ(-1, both.c);
    EXPECT_DOUBLE_EQ(0, both.d);
}

TEST(MajorityRule, AQuarterTurnWithEightyPercentOfTwentyGlyphsOrMore) {
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(0, 19, 0, 0)));  // too few
    EXPECT_EQ(1, prevailingQuarterTurn(counts(0, 20, 0, 0)));
    EXPECT_EQ(0, prevailingQuarterTurn(counts(80, 0, 0, 20)));  // exactly 80 %
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(79, 0, 0, 21)));
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(0, 0, 79, 0, 21)));  // skewed glyphs count in the whole
    EXPECT_EQ(3, prevailingQuarterTurn(counts(1, 1, 1, 97)));
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(50, 50, 0, 0)));
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(0, 0, 0, 0)));
    // Counts far beyond any page do not overflow the comparison.
    const uint64_t huge = uint64_t{1} << 62;
    EXPECT_EQ(2, prevailingQuarterTurn(counts(0, 0, huge, 0, huge / 8)));
    EXPECT_EQ(std::nullopt, prevailingQuarterTurn(counts(0, 0, huge, huge)));
}

// For content whose baseline is turned by `turn` quarter turns counterclockwise
// on a page shown at `shown`: where the tops of the letters point, and the /Rotate
// that shows it upright.
struct DirectionCase {
    int turn;
    int32_t shown;
    TextDirection direction;
    std::optional<int32_t> rotation;
};

TEST(UprightRotation, CombinesTheContentWithTheRotationShown) {
    const DirectionCase cases[] = {
        {0, 0, TextDirection::Up, std::nullopt},
        {1, 0, TextDirection::Left, 90},  // /Rotate 90 turns the page clockwise: the text comes upright
        {2, 0, TextDirection::Down, 180},
        {3, 0, TextDirection::Right, 270},
        {0, 90, TextDirection::Right, 0},
        {1, 90, TextDirection::Up, std::nullopt},
        {3, 90, TextDirection::Down, 270},
        {2, 180, TextDirection::Up, std::nullopt},
        {0, 270, TextDirection::Left, 0},
        {3, -90, TextDirection::Up, std::nullopt},  // -90 shows as 270
        {1, 450, TextDirection::Up, std::nullopt},  // 450 shows as 90
        {2, -540, TextDirection::Up, std::nullopt},
        {0, 45, TextDirection::Up, std::nullopt},  // a rotation off the quarter turns counts as none
        {1, 45, TextDirection::Left, 90},
    };
    for (const DirectionCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.turn) + " at " + std::to_string(c.shown));
        EXPECT_EQ(c.direction, shownDirection(c.turn, c.shown));
        EXPECT_EQ(c.rotation, uprightRotation(c.turn, c.shown));
    }
    EXPECT_EQ(TextDirection::None, shownDirection(std::nullopt, 90));
    EXPECT_EQ(std::nullopt, uprightRotation(std::nullopt, 90));
    EXPECT_STREQ("left", directionName(TextDirection::Left));
    EXPECT_STREQ("none", directionName(TextDirection::None));
}

}  // namespace
