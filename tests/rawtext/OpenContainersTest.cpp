#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ElementText.h"
#include "rawtext/OpenContainers.h"

namespace {

std::string objectText(const std::string& value) { return "4 0 obj\n" + value + "\nendobj\n"; }

// The text with its open containers closed, or "unchanged".
std::string closed(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (!closeOpenContainers(bytes)) return "unchanged";
    return std::string(bytes.begin(), bytes.end());
}

// The parse as other readers take it: a ">>" or "]" read as a value is null.
std::string withStrayClosersAsNull(std::string parse) {
    for (const std::string stray : {"kw:>>", "kw:]"})
        for (size_t at = parse.find(stray); at != std::string::npos; at = parse.find(stray, at))
            parse.replace(at, stray.size(), "null");
    return parse;
}

}  // namespace

// The closed text is read, by a parser that takes nothing left open, as the
// recovering parser read the text it came from (a stray ">>" or "]" value as
// null): the parser's own rules for what closes what are followed, not a count
// of brackets.
TEST(OpenContainers, ClosedTextReadsAsTheRecoveringParserReadTheOriginal) {
    const std::string values[] = {
        "<< /Type /Page /Parent 2 0 R",
        "<< /Type /Page /Parent 2 0 R /Contents 11 0 R /MediaBox [0 0 100 300",
        "<< /A 1 0 R ] /B [ 3 0 R >>",
        "<< /A [ 1 2 3",
        "[ 1 0 R 2 0 R",
        "[ << /A 1 ] >>",  // "]" where a key belongs is passed over
        "<< /A [ 1 >> 2",  // ">>" in an array is one of its values
        "<< /A (a [ string ) /B <5B5B> % [ comment\n /C [",
        "<< /A << /B [ << /C 1",
        "<< /Length 3 >> stream\nabc\nendstream",  // closed: nothing changes
        "[ 1 2 ]",
        "42",
    };
    for (const std::string& value : values) {
        const std::string original = objectText(value);
        const std::string result = closed(original);
        const std::string text = result == "unchanged" ? original : result;
        EXPECT_EQ(withStrayClosersAsNull(parseAllText(original, true)), parseAllText(text)) << value << "\nclosed:\n"
                                                                                            << text;
    }
}

TEST(OpenContainers, WritesTheClosersAfterTheLastValueAndChangesNothingElse) {
    EXPECT_EQ(objectText("<< /A [ 1 2 ]>>"), closed(objectText("<< /A [ 1 2")));
    EXPECT_EQ("4 0 obj [ 1 ] endobj", closed("4 0 obj [ 1 endobj"));
    // A key left without a value gets null: the parser drops it, and so do readers of null.
    EXPECT_EQ(objectText("<< /A 1 /B null>>"), closed(objectText("<< /A 1 /B")));
    // A dictionary that "stream" ends is closed before it.
    EXPECT_EQ("4 0 obj << /Length 3 >>\nstream\nabc\nendstream endobj",
              closed("4 0 obj << /Length 3\nstream\nabc\nendstream endobj"));
    // What only the parser reads is mended too, as no other reader reads it.
    EXPECT_EQ(objectText("<< /A [ 1 null ]>>"), closed(objectText("<< /A [ 1 >>")));
    EXPECT_EQ(objectText("<< /A null /B 1   /C [ ]>>"), closed(objectText("<< /A ] /B 1 ] /C [")));
    EXPECT_EQ("unchanged", closed(objectText("<< /A [ 1 2 ] >>")));
    EXPECT_EQ("unchanged", closed("not an object [ 1"));
}
