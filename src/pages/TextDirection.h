#pragma once

#include <array>
#include <cstdint>
#include <optional>

// Where the tops of a page's letters point as the page is shown, or None when the
// page holds too little text, or text too mixed, to tell.
enum class TextDirection : uint8_t { Up, Right, Down, Left, None };

// The word for a direction: "up", "right", "down", "left" or "none".
const char* directionName(TextDirection direction);

// A 2x2 linear map in the PDF format's row-vector convention: a point (x, y) goes
// to (a x + c y, b x + d y). The direction of text does not depend on where it
// stands, so translations are left out.
struct LinearMap {
    double a = 1, b = 0, c = 0, d = 1;

    // This map followed by `next`.
    LinearMap then(const LinearMap& next) const {
        return {a * next.a + b * next.c, a * next.b + b * next.d, c * next.a + d * next.c, c * next.b + d * next.d};
    }
};

// Glyphs counted by the direction of their baseline: quarter turns counterclockwise
// from the x axis of the space they are counted in (0: along x, as upright text on
// an unrotated page; 1: along y; ...), and those at no right angle.
struct GlyphCounts {
    std::array<uint64_t, 4> byQuarterTurn{};
    uint64_t skewed = 0;

    uint64_t total() const {
        return byQuarterTurn[0] + byQuarterTurn[1] + byQuarterTurn[2] + byQuarterTurn[3] + skewed;
    }
    void add(const GlyphCounts& more);
    // Adds `glyphs` whose baseline runs along (dx, dy).
    void addAlong(double dx, double dy, uint64_t glyphs);
    // The same glyphs as drawn through `map` (a form's glyphs where a page draws it).
    GlyphCounts mappedBy(const LinearMap& map) const;
};

// The majority rule: the quarter turn of the baseline that holds at least 80 % of
// the glyphs, when there are at least 20; none otherwise. A short sideways caption
// among upright text leaves the text upright.
constexpr uint64_t minimumJudgedGlyphs = 20;
constexpr uint64_t majorityPercent = 80;
std::optional<int> prevailingQuarterTurn(const GlyphCounts& contentGlyphs);

// The direction text in the content's prevailing quarter turn reads in on a page
// shown with `shownRotation` (its /Rotate, own or inherited, which turns the page
// clockwise when shown; a value that is no multiple of 90 counts as 0).
TextDirection shownDirection(std::optional<int> contentQuarterTurn, int32_t shownRotation);

// The /Rotate under which text in the content's prevailing quarter turn reads
// upright (0, 90, 180 or 270), or none when the page already shows it upright or
// has no text to judge: the one decision of "-rauto".
std::optional<int32_t> uprightRotation(std::optional<int> contentQuarterTurn, int32_t shownRotation);
