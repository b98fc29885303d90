// The forms a typed password takes before it is hashed.
#include <gtest/gtest.h>

#include "crypt/PasswordText.h"

namespace {

using passwords::pdfDocEncoded;
using passwords::saslPrepared;

TEST(PasswordText, PdfDocEncodingHoldsLatinLettersAndItsOwnCodes) {
    EXPECT_EQ(std::string("p\xE4ss\xA0", 5), pdfDocEncoded("päss€")) << "the euro sign is 0xA0";
    EXPECT_EQ(std::string("\x80\x84\x92\x95\x18\x1F", 6), pdfDocEncoded("•—™Ł˘˜"));
    EXPECT_EQ(std::string("\xFF\xA1", 2), pdfDocEncoded("ÿ¡"));
    EXPECT_EQ(std::nullopt, pdfDocEncoded("plain")) << "ASCII is its own encoding";
    EXPECT_EQ(std::nullopt, pdfDocEncoded("日本")) << "no code for it";
    EXPECT_EQ(std::nullopt, pdfDocEncoded("\xC2\xAD")) << "the soft hyphen has no code";
    EXPECT_EQ(std::nullopt, pdfDocEncoded("\xE4")) << "not UTF-8: the bytes count as typed";
    EXPECT_EQ(std::nullopt, pdfDocEncoded("\xC3")) << "cut short";
    EXPECT_EQ(std::nullopt, pdfDocEncoded("\xC0\xA4")) << "an overlong form";
}

TEST(PasswordText, SaslPrepMapsSpacesAndDropsWhatMapsToNothing) {
    EXPECT_EQ("a b", saslPrepared("a\u00A0b"));
    EXPECT_EQ("a b c", saslPrepared("a\u3000b\u2003c"));
    EXPECT_EQ("ab", saslPrepared("a\u00ADb\u200D"));
    EXPECT_EQ("I\u00B3", saslPrepared("I\uFE0F\u00B3")) << "a variation selector goes; nothing is normalised";
    EXPECT_EQ("päss", saslPrepared("päss"));
    EXPECT_EQ("\xE4\xA0", saslPrepared("\xE4\xA0")) << "not UTF-8: left as it is";
    EXPECT_EQ(127u, passwords::aes256PasswordBytes(std::string(200, 'x')).size());
}

}  // namespace
