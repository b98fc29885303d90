// The direction a page's text reads in, and the rotation that shows it upright.
#include "pages/TextDirection.h"

#include <cmath>

namespace {

// A baseline counts as along an axis within about 18 degrees of it: the tangent
// of the angle off the axis is at most a third.
constexpr double axisSlack = 3.0;

int quarterTurnsOf(int32_t rotation) {
    if (rotation % 90 != 0) return 0;
    return ((rotation / 90) % 4 + 4) % 4;
}

}  // namespace

const char* directionName(TextDirection direction) {
    switch (direction) {
    case TextDirection::Up:
        return "up";
    case TextDirection::Right:
        return "right";
    case TextDirection::Down:
        return "down";
    case TextDirection::Left:
        return "left";
    default:
        return "none";
    }
}

void GlyphCounts::add(const GlyphCounts& more) {
    for (size_t i = 0; i < byQuarterTurn.size(); ++i) byQuarterTurn[i] += more.byQuarterTurn[i];
    skewed += more.skewed;
}

void GlyphCounts::addAlong(double dx, double dy, uint64_t glyphs) {
    if (glyphs == 0) return;
    const double across = std::fabs(dy), along = std::fabs(dx);
    if (!std::isfinite(dx) || !std::isfinite(dy)) skewed += glyphs;
    else if (along > 0 && along >= axisSlack * across) byQuarterTurn[dx > 0 ? 0 : 2] += glyphs;
    else if (across > 0 && across >= axisSlack * along) byQuarterTurn[dy > 0 ? 1 : 3] += glyphs;
    else skewed += glyphs;
}

GlyphCounts GlyphCounts::mappedBy(const LinearMap& map) const {
    static constexpr double axis[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    GlyphCounts mapped;
    mapped.skewed = skewed;
    for (size_t i = 0; i < byQuarterTurn.size(); ++i) {
        const double x = axis[i][0], y = axis[i][1];
        mapped.addAlong(map.a * x + map.c * y, map.b * x + map.d * y, byQuarterTurn[i]);
    }
    return mapped;
}

std::optional<int> prevailingQuarterTurn(const GlyphCounts& contentGlyphs) {
    const uint64_t total = contentGlyphs.total();
    if (total < minimumJudgedGlyphs) return std::nullopt;
    for (int turn = 0; turn < 4; ++turn) {
        // Compared as 100 x >= 80 total, which cannot overflow for any count a page can hold.
        const long double share = static_cast<long double>(contentGlyphs.byQuarterTurn[turn]) * 100;
        if (share >= static_cast<long double>(total) * majorityPercent) return turn;
    }
    return std::nullopt;
}

// The page turns clockwise by its rotation when shown, so the text turns with it:
// a baseline a quarter turn counterclockwise (tops pointing left) on a page shown
// at 90 runs along the x axis as shown.
TextDirection shownDirection(std::optional<int> contentQuarterTurn, int32_t shownRotation) {
    if (!contentQuarterTurn) return TextDirection::None;
    static constexpr TextDirection byTurn[4] = {TextDirection::Up, TextDirection::Left, TextDirection::Down,
                                                TextDirection::Right};
    return byTurn[(*contentQuarterTurn - quarterTurnsOf(shownRotation) + 4) % 4];
}

std::optional<int32_t> uprightRotation(std::optional<int> contentQuarterTurn, int32_t shownRotation) {
    const TextDirection shown = shownDirection(contentQuarterTurn, shownRotation);
    if (shown == TextDirection::None || shown == TextDirection::Up) return std::nullopt;
    return *contentQuarterTurn * 90;
}
