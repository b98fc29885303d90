#include <gtest/gtest.h>

#include "ElementText.h"

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

// A number of any size keeps its value modulo 360 exactly, beside the value held
// at the 32-bit limits, through the parser and through the dictionary sieve alike.
TEST(PdfLexer, IntegersKeepTheirValueModulo360) {
    struct Case {
        const char* text;
        int32_t value, modulo360;
    };
    for (const Case& test :
         {Case{"450", 450, 90}, Case{"-450", -450, -90}, Case{"+270", 270, 270}, Case{"3600000000090", INT32_MAX, 90},
          Case{"-3600000000180", INT32_MIN, -180}, Case{"000000000000000000000000000000000090", 90, 90},
          Case{"123456789012345678901234567890", INT32_MAX, 90},
          Case{"-123456789012345678901234567891", INT32_MIN, -91}, Case{"2147483647", INT32_MAX, 127},
          Case{"-2147483648", INT32_MIN, -128}}) {
        const TestByteFile file(std::string("<< /R ") + test.text + " >>");
        CPdfParser parser(nullptr, file.openStream());
        CPdfElement dictionary, value;
        parser.parseObject(dictionary);
        ASSERT_TRUE(dictionary.is(ElementType::Dictionary)) << test.text;
        dictionary.dictionary()->findRaw("R", value);
        ASSERT_TRUE(value.is(ElementType::Integer)) << test.text;
        EXPECT_EQ(test.value, value.integer()) << test.text;
        EXPECT_EQ(test.modulo360, value.integerModulo360()) << test.text;
    }
}
