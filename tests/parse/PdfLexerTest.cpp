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
    {"+5", "kw:+5"},
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
