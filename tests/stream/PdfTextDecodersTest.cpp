#include <gtest/gtest.h>

#include <string>

#include "TestEncoders.h"
#include "stream/PdfTextDecoders.h"

using namespace std::string_literals;

namespace {

struct TextCase {
    const char* name;
    std::string encoded, decoded;
};

// Encoded by Python's base64.a85encode (with adobe=True where "<~" leads), then
// spaced and cut as streams come.
const TextCase ascii85Cases[] = {
    {"groups", "9jqo^BlbD-BleB1DJ+*+F(f,q~>", "Man is distinguished"},
    {"framed and wrapped", "<~9jqo^\nBlbD-Bl\neB1DJ+*\n+F(f,q\n~>", "Man is distinguished"},
    {"white space anywhere", " 9j\tqo^\r\nBlbD-\fBleB1DJ+*+F(f,q \0~>"s, "Man is distinguished"},
    {"z for four zeros", "z@:E^Hz~>", std::string(4, '\0') + "abc" + std::string(5, '\0')},
    {"the largest group", "s8W-!~>", "\xFF\xFF\xFF\xFF"},
    {"final group of two", "@/~>", "a"},
    {"final group of three", "@:B~>", "ab"},
    {"final group of four", "@:E^~>", "abc"},
    {"a lone final digit gives nothing", "@:E_W@~>", "abcd"},
    {"no end mark", "@:E_W@:B", "abcdab"},
    {"a tilde alone ends", "@:E_W~@:B", "abcd"},
    {"nothing after the end", "@:E_W~>@:B~>", "abcd"},
    {"empty", "~>", ""},
    {"z inside a group ends the data", "@:E_W@:z~>", "abcd"},
    {"a character that cannot be there", "@:E_W@:Bv~>", "abcd"},
    {"a group beyond 32 bits", "@:E_Ws8W-\"~>", "abcd"},
    {"a final group beyond 32 bits", "@:E_Wuu~>", "abcd"},
    {"a lone < is damage", "<@:E_W~>", ""},
};

// Hexadecimal digits as binascii.hexlify writes them, in both cases and spaced.
const TextCase asciiHexCases[] = {
    {"pairs", "48656c6c6f>", "Hello"},
    {"upper case and white space", "48 65\n6C\t6c\r6F\f>", "Hello"},
    {"odd final digit", "48656c6c6f7>", "Hellop"},
    {"odd final digit without an end mark", "48656c6c6f7", "Hellop"},
    {"no end mark", "4865", "He"},
    {"nothing after the end", "48>65>", "H"},
    {"all byte values", "00ff80 7F>", std::string("\x00\xFF\x80\x7F", 4)},
    {"a character that cannot be there", "4865g6c>", "He"},
    {"empty", ">", ""},
};

}  // namespace

TEST(PdfAscii85Stream, DecodesGroupsAndTheirEdges) {
    for (const TextCase& test : ascii85Cases)
        EXPECT_EQ(test.decoded, decodedBy<CPdfAscii85Stream>(test.encoded)) << test.name;
}

TEST(PdfAsciiHexStream, DecodesDigitPairsAndTheirEdges) {
    for (const TextCase& test : asciiHexCases)
        EXPECT_EQ(test.decoded, decodedBy<CPdfAsciiHexStream>(test.encoded)) << test.name;
}

// Many zeros come out four to a character, through many refills of the output.
TEST(PdfAscii85Stream, ManyZerosCrossTheOutputBuffer) {
    const std::string decoded = decodedBy<CPdfAscii85Stream>(std::string(10000, 'z') + "@/~>");
    ASSERT_EQ(40001u, decoded.size());
    EXPECT_EQ(std::string(40000, '\0'), decoded.substr(0, 40000));
    EXPECT_EQ('a', decoded.back());
}
