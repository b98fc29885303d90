#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "pages/ForceRotation.h"
#include "rawtext/PageDictionary.h"

namespace {

PageDictionaryLayout scan(const std::string& text) {
    return scanPageDictionary(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
}

}  // namespace

TEST(PageDictionary, FindsOnlyThePagesOwnRotateEntry) {
    const struct {
        std::string entries;
        std::string value;              // the bytes from the key's end to the value's end; empty: no entry
        std::optional<int32_t> number;  // none: the value is not a number
    } cases[] = {
        {"/Type /Page /Rotate 90 /Parent 3 0 R", " 90", 90},
        {"/Rotate 90.0", " 90.0", 90},
        {"/Rotate -270/Parent 3 0 R", " -270", -270},
        {"/Rotate 5 0 R /Type /Page", " 5 0 R", std::nullopt},
        {"/Rot#61te 180", " 180", 180},
        {"/Resources << /Rotate 90 >> /Rotate 180", " 180", 180},
        {"/RotateX 90", "", std::nullopt},
        {"/Resources << /Rotate 90 >>", "", std::nullopt},
        {"/Annots [ /Rotate 90 ]", "", std::nullopt},
        {"/Title (/Rotate 90)", "", std::nullopt},
        {"/Title <2F526F74617465> % /Rotate 90\n/Type /Page", "", std::nullopt},
        // The lexer's rules: "+90" is the number 90, and 90abc is the number 90 and a word.
        {"/Rotate +90", " +90", 90},
        {"/Rotate 90abc", " 90", 90},
        {"/Rotate 1e9999", " 1", 1},
        {"/Rotate 99999999999", " 99999999999", INT32_MAX},
    };
    for (const auto& c : cases) {
        const std::string text = "4 0 obj\r<<" + c.entries + ">>\rendobj\r";
        const PageDictionaryLayout layout = scan(text);
        EXPECT_TRUE(layout.found && layout.bodyStart == 10) << c.entries;
        EXPECT_EQ(!c.value.empty(), layout.hasRotate) << c.entries;
        if (!layout.hasRotate) continue;
        EXPECT_EQ(c.value, text.substr(layout.keyEnd, layout.valueEnd - layout.keyEnd)) << c.entries;
        EXPECT_EQ(c.number.has_value(), layout.valueIsNumber) << c.entries;
        if (c.number) {
            EXPECT_EQ(*c.number, layout.valueNumber) << c.entries;
        }
    }
    const PageDictionaryLayout reference = scan("4 0 obj\r<</Rotate 12 3 R>>\rendobj\r");
    EXPECT_TRUE(reference.valueIsReference && reference.referenceNumber == 12 && reference.referenceGeneration == 3);
    for (const std::string text : {"4 0 obj\r[ << /Rotate 90 >> ]\rendobj\r", "<< /Rotate 90 >>", "4 0 obj\r"})
        EXPECT_FALSE(scan(text).found) << text;
}

// Readers show the last of two /Rotate keys: the layout describes that one and
// lists both, so that an edit can leave no old value behind.
TEST(PageDictionary, ListsEveryOwnRotateAndDescribesTheLast) {
    const std::string text = "4 0 obj\r<< /Rotate 0 /Type /Page /Resources << /Rotate 5 >> /Rotate 180 >>\rendobj\r";
    const PageDictionaryLayout layout = scan(text);
    ASSERT_EQ(2u, layout.rotateValues.size());
    EXPECT_EQ(" 0", text.substr(layout.rotateValues[0].keyEnd,
                                layout.rotateValues[0].valueEnd - layout.rotateValues[0].keyEnd));
    EXPECT_EQ(" 180", text.substr(layout.keyEnd, layout.valueEnd - layout.keyEnd));
    EXPECT_TRUE(layout.valueIsNumber && layout.valueNumber == 180);
    EXPECT_EQ(text.size() - 8, layout.dictionaryEnd);
    const PageDictionaryLayout referenceFirst = scan("4 0 obj\r<< /Rotate 7 0 R /Rotate 90 >>\rendobj\r");
    EXPECT_TRUE(!referenceFirst.valueIsReference && referenceFirst.valueNumber == 90);
}

TEST(ForcedRotation, AddsListedAnglesInTheirSignedForm) {
    const int32_t angles[6] = {90, 180, 270, -90, -180, -270};
    const int32_t expected[6][6] = {
        {180, 270, 0, 0, -90, -180}, {270, 0, 90, 90, 0, -90},   {0, 90, -180, 180, 90, 0},
        {0, 90, 180, -180, -270, 0}, {-90, 0, 90, -270, 0, -90}, {-180, -90, 0, 0, -90, 180},
    };
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 6; ++column)
            EXPECT_EQ(expected[row][column], forcedRotation(angles[row], angles[column]))
                << angles[row] << " + " << angles[column];
    for (const auto& [existing, requested] : {std::pair{0, 90}, {45, 180}, {360, -90}, {90, 0}, {180, 45}, {-270, 360}})
        EXPECT_EQ(requested, forcedRotation(existing, requested)) << existing;
}

TEST(PageDictionary, TellsWhereTheHeaderAndTheDictionaryEnd) {
    const std::string text = "4 0 obj\r<< /Type /Page /Kids [1 0 R] /Rotated 1 >> % c\rendobj\r";
    const PageDictionaryLayout layout = scan(text);
    EXPECT_EQ("4 0 obj", text.substr(0, layout.headerEnd));
    EXPECT_EQ("<< /Type /Page /Kids [1 0 R] /Rotated 1 >>", text.substr(8, layout.dictionaryEnd - 8));
    // A text that cannot hold the key (no "Rotate", no "#") is read only to where its
    // dictionary opens: the end is not known then, and nothing else changes.
    const PageDictionaryLayout quick = scan("4 0 obj\r<< /Type /Page >>\rendobj\r");
    EXPECT_TRUE(quick.found && !quick.hasRotate && quick.bodyStart == 10 && quick.dictionaryEnd == 0);
    EXPECT_TRUE(scan("4 0 obj\r<< /Rot#61te 90 >>\rendobj\r").hasRotate);
    const std::string rotated = "4 0 obj\r<< /Rotate 90 /Type /Page >>\rendobj\r";
    EXPECT_EQ(rotated.find(">>") + 2, scan(rotated).dictionaryEnd);
    EXPECT_TRUE(scan("4 0 obj\r<< /Rotate 90 >>\rendobj\r").valueIsInteger);
    EXPECT_FALSE(scan("4 0 obj\r<< /Rotate 90.0 >>\rendobj\r").valueIsInteger);
}

// Where the header and the dictionary's opening lie, whether the header is laid out
// plainly (read without the lexer) or not (a comment, a sign, more than nine digits,
// "obj" run into a word): both ways find the same places.
TEST(PageDictionary, FindsTheOpeningAfterAnyHeader) {
    const struct {
        std::string head;  // up to the end of the header
        std::string gap;   // between the header and "<<"
    } cases[] = {
        {"4 0 obj", " "},    {"4 0 obj", ""},           {"12 7 obj", "\r\n"},
        {"4  0\tobj", "\f"}, {"4 0 obj", "%c\n"},       {"4 0 %c\nobj", " "},
        {"+4 0 obj", " "},   {"1234567890 0 obj", " "}, {"4 0 obj", std::string("\0 ", 2)},
        {"x 4 0 obj", "\n"}, {"4 0 objx 5 0 obj", " "},
    };
    for (const auto& c : cases) {
        const std::string text = c.head + c.gap + "<< /Type /Page >>\nendobj\n";
        const PageDictionaryLayout layout = scan(text);
        EXPECT_TRUE(layout.found) << text;
        EXPECT_EQ(c.head.size(), layout.headerEnd) << text;
        EXPECT_EQ(c.head.size() + c.gap.size() + 2, layout.bodyStart) << text;
    }
    for (const std::string text : {"4 0 obj\n[1 2]\nendobj\n", "4 0 obj\n<", "4 0 obj"})
        EXPECT_FALSE(scan(text).found) << text;
}
