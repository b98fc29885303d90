// The plain reader of a stream's head takes what it reads from the bytes and
// declines whatever the lexer might read otherwise (FastReadersTest holds the
// located extents to the parser's on the same layouts and more).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "parse/PlainStreamHead.h"

namespace {

std::optional<PlainStreamHead> matched(const std::string& text) {
    return matchPlainStreamHead(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

}  // namespace

TEST(PlainStreamHead, ReadsTheHeaderTheFirstLengthAndTypeAndWhereTheDataStarts) {
    const std::string text = "12 3 obj\n<< /Filter /FlateDecode /Length 82 /Length 7 >>\nstream\nDATA";
    const auto head = matched(text);
    ASSERT_TRUE(head);
    EXPECT_EQ(12, head->number);
    EXPECT_EQ(3, head->generation);
    EXPECT_TRUE(head->lengthIsInteger);
    EXPECT_EQ(82, head->length);
    EXPECT_FALSE(head->isObjectStream);
    EXPECT_EQ(text.find("DATA"), head->dataStart);

    const auto packed = matched("5 0 obj<</Type/ObjStm/N 3/First 12/Length 40>>stream\r\nDATA");
    ASSERT_TRUE(packed);
    EXPECT_TRUE(packed->isObjectStream);
    EXPECT_EQ(40, packed->length);
    EXPECT_EQ(std::string("5 0 obj<</Type/ObjStm/N 3/First 12/Length 40>>stream\r\n").size(), packed->dataStart);

    const auto named = matched("5 0 obj << /Length /L >>\nstream\nDATA");
    ASSERT_TRUE(named);
    EXPECT_FALSE(named->lengthIsInteger);
}

TEST(PlainStreamHead, DeclinesWhatTheLexerMightReadOtherwise) {
    for (const std::string text : {
             "5 0 obj\n<< /Length 3 0 R >>\nstream\nDATA",       // a reference
             "5 0 obj\n<< /Length 3.0 >>\nstream\nDATA",         // a real
             "5 0 obj\n<< /Length -3 >>\nstream\nDATA",          // a sign
             "5 0 obj\n<< /Le#6egth 3 >>\nstream\nDATA",         // an escape
             "5 0 obj\n<< /Length 3 % note\n>>\nstream\nDATA",   // a comment
             "5 0 obj\n<< /Length 3 /K [1] >>\nstream\nDATA",    // an array
             "5 0 obj\n<< /Length 3 >>\nstream \nDATA",          // the line goes on
             "5 0 obj\n<< /Length 3 >>\nstream\rDATA",           // a lone CR
             "5 0 obj\n<< /Length 3 >>\nstreams\nDATA",          // another word
             "5 0 objx << /Length 3 >>\nstream\nDATA",           // another word
             "5 0 obj\n<< /Length 3 >>\nendobj\n",               // no stream
             "5 0 obj\n[1 2 3]\nendobj\n",                       // no dictionary
             "1234567890 0 obj\n<< /Length 3 >>\nstream\nDATA",  // a number past nine digits
             "5 0 obj\n<< /Length 3 >>\nstream\n",               // the data would start past the bytes
             "5 0 obj\n<< /Length 3 >>\nstream\r",               // the line's end may go on beyond them
             "5 0 obj\n<< /Length 3 >>\nstream",                 // the word may go on beyond them
             "5 0 obj\n<< /Length 3",                            // and so may the number
         })
        EXPECT_FALSE(matched(text)) << text;
}
