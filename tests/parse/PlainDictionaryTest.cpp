// The plain reader of a dictionary builds what the parser builds under the same
// sieve on the layouts that writers use for pages and page tree nodes, and
// declines whatever the lexer might read otherwise. The sieve fuzz targets hold
// it to the parser on any input (through readSievedDictionary).
#include <gtest/gtest.h>

#include <string>

#include "ElementText.h"
#include "model/PdfElement.h"
#include "parse/PdfParser.h"
#include "parse/PlainDictionary.h"
#include "parse/ValueSieve.h"
#include "stream/PdfMemoryStream.h"

namespace {

// Keeps A, B and C (elementText shows one-letter keys); Kids-like arrays under B
// lose their third element, as the page tree's sieve drops kids past the count.
class TestSieve : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key == "A" || key == "B" || key == "C"; }
    bool keepsElement(std::string_view key, uint32_t index, CPdfElement&) override { return key != "B" || index != 2; }
};

struct PlainRead {
    bool built = false;
    CPdfElement value;
    DictionarySpan span;
};

PlainRead plainRead(const std::string& text, bool whole) {
    PlainRead read;
    TestSieve sieve;
    read.built = readPlainDictionary(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()),
                                     whole, nullptr, sieve, read.value, read.span);
    return read;
}

std::string parsedWithSieve(const std::string& text) {
    CPdfParser parser(nullptr, makeRetained<CPdfMemoryStream>(reinterpret_cast<const uint8_t*>(text.data()),
                                                              static_cast<uint32_t>(text.size())));
    TestSieve sieve;
    CPdfElement object;
    parser.parseObject(object, sieve);
    return elementText(object);
}

}  // namespace

TEST(PlainDictionary, BuildsWhatTheParserBuildsOnTheLayoutsWritersUse) {
    for (const std::string text : {
             " << /Type /Page /A 4 0 R /MediaBox [0 0 612 792] /Resources 3 0 R /C 12 0 R >>\nendobj\n",
             "<</Type/Page/A 4 0 R/Resources<</Font<</F1 5 0 R>>/ProcSet[/PDF/Text]>>/MediaBox[0 0 595.28 "
             "841.89]/C 7 0 R>>\nendobj\n",
             "<< /Type /Pages /B [5 0 R 6 0 R 7 0 R 8 0 R] /C 4 >>\nendobj\n",
             "<< /B [5 0 R 6 0 R 7 0 R 8 0 R] /B [1 2 3 /N] /A /Name >> endobj\n",  // the sieve drops each third
             "<< /A -90 /C +450 /CropBox [-10.5 .5 +3. 4] >> endobj ",
             "<< /Annots [10 0 R 11 0 R] /Group << /S /Transparency /CS /DeviceRGB /I 1 >> /A 0 >>endobj%",
             "<< /A 1 /A 2 /Rotate 90 /B [] >>\r\nendobj\r\n",
             "<< /D [ [1 2] << /E [3 0 R] >> ] /A 999999999999999999 >>\nendobj\n",  // eighteen digits
         }) {
        const PlainRead read = plainRead(text, false);
        ASSERT_TRUE(read.built) << text;
        EXPECT_EQ(parsedWithSieve(text), elementText(read.value)) << text;
        EXPECT_EQ(text.find("endobj") + 6, read.span.objectEnd) << text;
        EXPECT_EQ(text.find("<<") + 2, read.span.opening) << text;
    }
}

TEST(PlainDictionary, KeepsTheRemainderOfAnIntegerAsWritten) {
    const PlainRead read = plainRead("<< /A -123456789012345 >> endobj\n", false);
    ASSERT_TRUE(read.built);
    CPdfElement value;
    read.value.dictionary()->findRaw("A", value);
    EXPECT_EQ(-123456789012345, value.wideInteger());
    EXPECT_EQ(-(123456789012345 % 360), value.integerModulo360());
}

TEST(PlainDictionary, AWholeTextMayEndAtItsClose) {
    for (const std::string text : {"<< /A 1 >>", "<</B[1 0 R]>>\n", "<< /A 1 >> endobj"}) {
        const PlainRead whole = plainRead(text, true);
        ASSERT_TRUE(whole.built) << text;
        EXPECT_EQ(parsedWithSieve(text), elementText(whole.value)) << text;
        EXPECT_EQ(text.find("endobj") == std::string::npos ? 0 : text.size(), whole.span.objectEnd) << text;
        // In a file more may follow, which the lexer must settle.
        EXPECT_FALSE(plainRead(text, false).built) << text;
    }
}

TEST(PlainDictionary, DeclinesWhatTheLexerMightReadOtherwise) {
    for (const std::string text : {
             "<< /A 1 % note\n>> endobj\n",                              // a comment
             "<< /A (text) >> endobj\n",                                 // a string
             "<< /A <414243> >> endobj\n",                               // a hex string
             "<< /A true >> endobj\n",                                   // a keyword
             "<< /A 1.5 >> endobj\n",                                    // a kept real
             "<< /A << /B 1 >> >> endobj\n",                             // a kept dictionary
             "<< /B [[1]] >> endobj\n",                                  // an array in a kept array
             "<< /A /N#41me >> endobj\n",                                // an escape
             "<< /A# 1 >> endobj\n",                                     // an escape in a key
             "<< / 1 >> endobj\n",                                       // an empty name
             "<< /A 5-3 >> endobj\n",                                    // a number the lexer parts in two
             "<< /A 5 0R >> endobj\n",                                   // a reference without space before R
             "<< /A -5 0 R >> endobj\n",                                 // a signed object number
             "<< /A 5 0 >> endobj\n",                                    // two integers that make no reference
             "<< /D << /E 5 0 >> >> endobj\n",                           // the same, nested
             "<< /A 1 /D >> endobj\n",                                   // a key without a value
             "<< /A 1 >> stream\nDATA",                                  // a stream
             "<< /A 1 >> endobjx\n",                                     // another word
             "<< /A 1 >>> endobj\n",                                     // a stray bracket
             "<< /A 1 >> 7 0 obj\n",                                     // no endobj
             "<< /A 1234567890123456789 >> endobj\n",                    // nineteen digits
             "<< /A 1 >> endobj",                                        // the keyword may go on beyond the text
             "<< /A 1 /D [1 2",                                          // left open
             "[1 2 3] endobj\n",                                         // no dictionary
             "<< /D [[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]] >> endobj\n",  // nested past the reader's depth
         }) {
        EXPECT_FALSE(plainRead(text, false).built) << text;
    }
}
