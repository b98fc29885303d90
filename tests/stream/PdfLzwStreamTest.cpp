#include <gtest/gtest.h>

#include <string>

#include "TestEncoders.h"
#include "stream/PdfLzwStream.h"

namespace {

std::string lzwDecoded(const std::string& encoded, bool earlyChange = true, int32_t predictor = 1,
                       int32_t columns = 1) {
    return decodedBy<CPdfLzwStream>(encoded, earlyChange, predictor, columns, 1, 8);
}

// Text with enough variety that the table fills: words from a small alphabet, so
// that strings of every length up to a dozen bytes occur.
std::string variedText(size_t size) {
    std::string text;
    uint32_t state = 12345;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text.push_back(static_cast<char>('a' + (state >> 16) % 11));
        if ((state >> 8) % 5 == 0) text.push_back(' ');
    }
    return text;
}

std::string codes(std::initializer_list<uint32_t> values, int width = 9) {
    CodeWriter writer;
    for (uint32_t value : values) writer.put(value, width);
    return writer.finish();
}

}  // namespace

// The example of ISO 32000-1 (7.4.4.2): codes 256 45 258 258 65 259 66 257.
TEST(PdfLzwStream, DecodesTheExampleOfThePdfFormat) {
    EXPECT_EQ(byteString({45, 45, 45, 45, 45, 65, 45, 45, 45, 66}),
              lzwDecoded(byteString({0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85, 0x01})));
}

// Long enough to use codes of 10, 11 and 12 bits and to fill the table, with the
// widths changing where EarlyChange says; each way of clearing the table.
TEST(PdfLzwStream, DecodesEveryCodeWidthAndEachEarlyChange) {
    const std::string text = variedText(60000);
    for (const bool early : {true, false}) {
        for (const LzwOptions options : {LzwOptions{early, true, 0}, LzwOptions{early, false, 0},
                                         LzwOptions{early, true, 700}, LzwOptions{early, true, 1}}) {
            const std::string encoded = lzwEncoded(text, options);
            EXPECT_EQ(text, lzwDecoded(encoded, early))
                << "early " << early << ", clear when full " << options.clearWhenFull << ", clear after "
                << options.clearAfterCodes;
        }
        // Read with the other EarlyChange the codes are misread from the first width change.
        const std::string misread = lzwDecoded(lzwEncoded(text, {early, true, 0}), !early);
        EXPECT_NE(text, misread);
        EXPECT_EQ(text.substr(0, 200), misread.substr(0, 200));
    }
}

TEST(PdfLzwStream, EndsAtDamage) {
    // A code the table does not hold yet (259 right after the first code): the bytes before it.
    EXPECT_EQ("A", lzwDecoded(codes({256, 65, 259, 66, 257})));
    // The first code after a clear must be a byte.
    EXPECT_EQ("", lzwDecoded(codes({256, 300, 65, 257})));
    EXPECT_EQ("AB", lzwDecoded(codes({65, 66, 256, 258, 257})));
    // Without a clear code first, and without the end code: the codes there are.
    EXPECT_EQ("ABAB", lzwDecoded(codes({65, 66, 258})));
    // Nothing after the end code.
    EXPECT_EQ("A", lzwDecoded(codes({256, 65, 257, 66})));
    // A clear code between strings starts the table over.
    EXPECT_EQ("ABABCC", lzwDecoded(codes({65, 66, 258, 256, 67, 67, 257})));
    // Data cut in the middle of a code.
    const std::string text = variedText(3000);
    const std::string encoded = lzwEncoded(text);
    const std::string cut = lzwDecoded(encoded.substr(0, encoded.size() / 2));
    EXPECT_LT(cut.size(), text.size());
    EXPECT_EQ(text.substr(0, cut.size()), cut);
}

// The PNG up predictor over rows of three bytes: each row adds to the one before.
TEST(PdfLzwStream, UndoesAPredictor) {
    const std::string rows = byteString({2, 1, 2, 3, 2, 1, 1, 1, 2, 10, 10, 10});
    EXPECT_EQ(byteString({1, 2, 3, 2, 3, 4, 12, 13, 14}), lzwDecoded(lzwEncoded(rows), true, 12, 3));
}

// The longest strings the table can hold, one code each: a 12-bit code gives
// thousands of bytes, and the decoder's output buffer refills many times over.
TEST(PdfLzwStream, DecodesTheLongestStrings) {
    const size_t repeats = 500;
    const size_t growing = 3839 * 3840 / 2;  // 'a', then runs of 2 to 3839 bytes as the table fills
    const std::string decoded = lzwDecoded(lzwBomb(repeats));
    EXPECT_EQ(growing + repeats * 3839, decoded.size());
    EXPECT_EQ(std::string::npos, decoded.find_first_not_of('a'));
}
