// Counting the glyphs of content by the direction of their baseline: the
// operators that move and turn text, the glyphs each font counts, forms, inline
// images and the budgets.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "limits/Limits.h"
#include "pages/ContentText.h"

namespace {

// Fonts by name: "/H" two-byte, "/V" vertical, any other one byte a glyph. The
// form "/Fm" holds 10 glyphs along x of its own space.
class FakeResources final : public ContentResources {
public:
    FontKind fontKind(std::string_view name) override {
        ++fontLookups[std::string(name)];
        return name == "H" ? FontKind::TwoByte : name == "V" ? FontKind::Vertical : FontKind::OneByte;
    }
    void drawForm(std::string_view name, const LinearMap& ctm, GlyphCounts& counts) override {
        drawn.push_back(std::string(name));
        if (name != "Fm") return;
        GlyphCounts form;
        form.addAlong(1, 0, 10);
        counts.add(form.mappedBy(ctm));
    }
    std::map<std::string, int> fontLookups;
    std::vector<std::string> drawn;
};

struct Counted {
    GlyphCounts glyphs;
    bool spent = false;
};

Counted countOf(const std::string& content, FakeResources& resources, uint64_t operators = 1000000) {
    ContentBudget budget{1 << 20, operators, false};
    ContentTextCounter counter(resources, budget, LinearMap{});
    counter.read(reinterpret_cast<const uint8_t*>(content.data()), static_cast<uint32_t>(content.size()));
    return {counter.counts(), budget.spent};
}

std::array<uint64_t, 4> turnsOf(const std::string& content) {
    FakeResources resources;
    return countOf(content, resources).glyphs.byQuarterTurn;
}

TEST(ContentText, TheTransformationAndTheTextMatrixTurnTheBaseline) {
    EXPECT_EQ((std::array<uint64_t, 4>{5, 0, 0, 0}), turnsOf("BT /F1 12 Tf 10 10 Td (Hello) Tj ET"));
    EXPECT_EQ((std::array<uint64_t, 4>{0, 5, 0, 0}), turnsOf("0 1 -1 0 300 0 cm BT /F1 12 Tf (Hello) Tj ET"));
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 5, 0}), turnsOf("BT /F1 12 Tf -1 0 0 -1 5 5 Tm (Hello) Tj ET"));
    // 90 by cm and 180 by Tm: 270.
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 0, 5}),
              turnsOf("0 1 -1 0 0 0 cm BT /F1 12 Tf -1 0 0 -1 0 0 Tm (Hello) Tj ET"));
    // cm concatenates: two quarter turns make a half.
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 5, 0}), turnsOf("0 1 -1 0 0 0 cm 0 1 -1 0 0 0 cm BT (Hello) Tj ET"));
    // BT resets the text matrix; Td, TD, T* and TL only move it.
    EXPECT_EQ((std::array<uint64_t, 4>{5, 5, 0, 0}),
              turnsOf("BT 0 1 -1 0 0 0 Tm (Hello) Tj ET BT 5 5 Td 3 3 TD 14 TL T* (World) Tj ET"));
}

TEST(ContentText, SavedStatesComeBackWithQ) {
    EXPECT_EQ((std::array<uint64_t, 4>{5, 5, 0, 0}), turnsOf("q 0 1 -1 0 0 0 cm BT (Hello) Tj ET Q BT (World) Tj ET"));
    // The font's size (a negative one turns the glyphs round) is part of the
    // state; a Q too many is harmless.
    EXPECT_EQ((std::array<uint64_t, 4>{10, 0, 5, 0}),
              turnsOf("BT /F1 12 Tf (Hello) Tj ET q BT /F1 -12 Tf (World) Tj ET Q Q Q BT (Again) Tj ET"));
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 5, 0}), turnsOf("-100 Tz BT (Hello) Tj ET"));
    EXPECT_EQ((std::array<uint64_t, 4>{5, 0, 0, 0}), turnsOf("q -100 Tz Q BT (Hello) Tj ET"));
}

TEST(ContentText, EachShowingOperatorCountsItsStrings) {
    // TJ counts its strings, not its numbers; ' and " their string; a string
    // that no operator shows, or one inside a dictionary, counts for nothing.
    EXPECT_EQ((std::array<uint64_t, 4>{10, 0, 0, 0}),
              turnsOf("BT [(abc) -250 (de)] TJ (fg) ' 1 2 (hij) \" (unshown) /P << /Alt (x) >> BDC EMC ET"));
    // Hex strings count their bytes, as decoded.
    EXPECT_EQ((std::array<uint64_t, 4>{3, 0, 0, 0}), turnsOf("BT <414243> Tj ET"));
}

TEST(ContentText, FontsCountGlyphsByTheirKind) {
    FakeResources resources;
    const Counted counted = countOf(
        "BT /H 10 Tf <00410042> Tj /V 10 Tf <004100420043> Tj /F1 10 Tf (abc) Tj /H 10 Tf <00410042> Tj ET", resources);
    EXPECT_EQ((std::array<uint64_t, 4>{7, 0, 0, 0}), counted.glyphs.byQuarterTurn);
    EXPECT_EQ(2, resources.fontLookups["H"]);
}

TEST(ContentText, FormsAreDrawnUnderTheCurrentTransformation) {
    FakeResources resources;
    const Counted counted = countOf("q -1 0 0 -1 0 0 cm /Fm Do Q /Im1 Do /Fm Do", resources);
    EXPECT_EQ((std::array<uint64_t, 4>{10, 0, 10, 0}), counted.glyphs.byQuarterTurn);
    EXPECT_EQ((std::vector<std::string>{"Fm", "Im1", "Fm"}), resources.drawn);
}

TEST(ContentText, InlineImageDataIsNoContent) {
    // The image's data holds "(xx) Tj" and a false "EI" inside a word.
    EXPECT_EQ((std::array<uint64_t, 4>{2, 0, 0, 0}),
              turnsOf("BI /W 4 /H 1 /BPC 8 /CS /G ID (xx) Tj EIx (yy) Tj\nEI BT (ab) Tj ET"));
    // An image that never ends takes the rest of the content with it.
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 0, 0}), turnsOf("BI /W 4 ID (xx) Tj"));
}

TEST(ContentText, BudgetsStopTheReading) {
    FakeResources resources;
    EXPECT_FALSE(countOf("BT (a) Tj ET", resources, 3).spent);
    EXPECT_TRUE(countOf("BT (a) Tj ET n", resources, 3).spent);
    std::string deep;
    for (size_t i = 0; i <= limits::maximumSavedStates; ++i) deep += "q ";
    EXPECT_TRUE(countOf(deep, resources).spent);
    deep.resize(deep.size() - 2);
    EXPECT_FALSE(countOf(deep + "BT (a) Tj ET", resources).spent);
}

TEST(ContentText, MalformedContentEndsQuietly) {
    EXPECT_EQ((std::array<uint64_t, 4>{0, 0, 0, 0}), turnsOf("] ] >> BT [(abc) (def Tj ET ) ( <<"));
    EXPECT_EQ((std::array<uint64_t, 4>{3, 0, 0, 0}), turnsOf("cm Tm 1 2 cm 1e999 0 0 1 0 0 Tm BT (abc) Tj ET"));
}

}  // namespace
