#include <gtest/gtest.h>

#include <cstring>

#include "ElementText.h"
#include "parse/PdfLexer.h"

namespace {

struct TokenCase {
    std::string_view input;
    std::string tokens;
};

// Tokens reach the test as the parser's objects; none of these inputs forms an
// array, a dictionary or a reference.
const TokenCase tokenCases[] = {
    {"%comment\r\n42", "int:42"},
    {"%comment\r42", "int:42"},
    {"42 % to the end", "int:42"},
    {"%only a comment", ""},
    {"(a(b)c)", "str:a(b)c"},
    {"(a\\)b)", "str:a)b"},
    {"(abc", "str:abc"},
    {"(\\0613)", "str:13"},
    {"(\\7)", "str:\x07"},
    {"(\\101\\777)", "str:A\xFF"},
    {"(\\q\\\\)", "str:q\\"},
    {"(\\n\\r\\t\\b\\f)", "str:\n\r\t\b\f"},
    {"(line1\\\nline2)", "str:line1line2"},
    {"(a\\\r\nb\rc)", "str:ab\rc"},
    {"(a\\000b)", "str:a"},
    {"<48 65 6c6C6f>", "str:Hello"},
    {"<415>", "str:AP"},
    {"<4G>", "str:@"},
    {"<G1>", "str:\x01"},
    {"<>", "str:"},
    {"/A#42C", "name:ABC"},
    {"/A#5 ", "name:AP"},
    {"/A#5/B", "name:APB"},
    {"/A#zz", "name:A#zz"},
    {"/ 1", "name: | int:1"},
    {"-", "int:0"},
    {"--5", "int:0 | int:-5"},
    {"+5 +0090 +", "int:5 | int:90 | int:0"},
    {"+-5 +.5 +1.5.", "int:0 | int:-5 | real:0.5 | real:1.5"},
    {"3.5.1", "real:3.5"},
    {". -.5 -.", "real:0 | real:-0.5 | real:0"},
    {"99999999999 -99999999999", "int:2147483647 | int:-2147483648"},
    {"123456789012345678901234567890", "int:2147483647"},
    {"2147483647 -2147483648 2147483648 -2147483649 -0 007",
     "int:2147483647 | int:-2147483648 | int:2147483647 | "
     "int:-2147483648 | int:0 | int:7"},
    {"1e5", "int:1 | kw:e5"},
    {"12abc", "int:12 | kw:abc"},
    {"true1", "kw:true1"},
    {"true false null", "bool:1 | bool:0 | null"},
    {")", "error"},
    {"> >", "error | error"},
    {"{}", "error | error"},
    {"] >>", "kw:] | kw:>>"},
};

}  // namespace

TEST(PdfLexer, ReadsTheTokensOfEachInput) {
    for (const TokenCase& test : tokenCases) EXPECT_EQ(test.tokens, parseAllText(test.input)) << test.input;
}

TEST(PdfLexer, EndOfInputRepeats) {
    const TestByteFile file("7");
    CPdfParser parser(nullptr, file.openStream());
    for (const char* expected : {"int:7", "eof", "eof", "eof"}) {
        CPdfElement object;
        parser.parseObject(object);
        EXPECT_EQ(expected, elementText(object));
    }
}

// A number of any size keeps its value modulo 360 exactly, beside its value held
// at the 64-bit limits (a position in a file of any size) and at the 32-bit limits
// (a count, a number, a /Rotate).
TEST(PdfLexer, IntegersKeepTheirValueModulo360AndTheirWideValue) {
    struct Case {
        const char* text;
        int32_t value;
        int64_t wide;
        int32_t modulo360;
    };
    for (const Case& test :
         {Case{"450", 450, 450, 90}, Case{"-450", -450, -450, -90}, Case{"+270", 270, 270, 270},
          Case{"3600000000090", INT32_MAX, 3'600'000'000'090, 90},
          Case{"-3600000000180", INT32_MIN, -3'600'000'000'180, -180},
          Case{"000000000000000000000000000000000090", 90, 90, 90},
          Case{"123456789012345678901234567890", INT32_MAX, INT64_MAX, 90},
          Case{"-123456789012345678901234567891", INT32_MIN, -INT64_MAX, -91},
          Case{"9223372036854775807", INT32_MAX, INT64_MAX, 7}, Case{"9999999999", INT32_MAX, 9'999'999'999, 279},
          Case{"2147483647", INT32_MAX, INT32_MAX, 127}, Case{"2147483648", INT32_MAX, 2'147'483'648, 128},
          Case{"-2147483648", INT32_MIN, INT32_MIN, -128},
          // The largest magnitude read exactly, and the first one past it.
          Case{"9223372036854775799", INT32_MAX, 9'223'372'036'854'775'799, 359},
          Case{"9223372036854775800", INT32_MAX, INT64_MAX, 0}}) {
        // In memory, as the raw readers lex object text.
        TextSource text(reinterpret_cast<const uint8_t*>(test.text), static_cast<uint32_t>(std::strlen(test.text)));
        PdfLexer<TextSource> lexer(text);
        LexedToken token;
        lexer.lexToken(token);
        ASSERT_TRUE(token.is(LexedToken::Kind::Integer)) << test.text;
        EXPECT_EQ(test.value, token.integer) << test.text;
        EXPECT_EQ(test.wide, token.wide) << test.text;
        EXPECT_EQ(test.modulo360, token.modulo360) << test.text;
        // Through a file, as the parser reads it.
        const TestByteFile file(std::string("<< /R ") + test.text + " >>");
        CPdfParser parser(nullptr, file.openStream());
        CPdfElement dictionary, value;
        parser.parseObject(dictionary);
        ASSERT_TRUE(dictionary.is(ElementType::Dictionary)) << test.text;
        dictionary.dictionary()->findRaw("R", value);
        ASSERT_TRUE(value.is(ElementType::Integer)) << test.text;
        EXPECT_EQ(test.value, value.integer()) << test.text;
        EXPECT_EQ(test.wide, value.wideInteger()) << test.text;
        EXPECT_EQ(test.modulo360, value.integerModulo360()) << test.text;
        CPdfElement copy;
        copy.copyFrom(value);
        EXPECT_EQ(test.wide, copy.wideInteger()) << test.text;
        EXPECT_EQ(test.modulo360, copy.integerModulo360()) << test.text;
    }
}
