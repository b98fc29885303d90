#include <gtest/gtest.h>

#include <string>

#include "model/PdfException.h"

TEST(PdfException, CopyOwnsItsOwnTextAndKeepsTheKind) {
    auto* original = new CPdfException(FailureKind::Input, std::string("Can't open ") + "file");
    CPdfException copy(*original);
    EXPECT_NE(copy.messageText(), original->messageText());
    delete original;
    EXPECT_STREQ("Can't open file", copy.messageText());
    EXPECT_EQ(FailureKind::Input, copy.kind());
}

TEST(PdfException, TextEndsAtItsFirstNulByteAsEveryTextOfTheProgram) {
    EXPECT_STREQ("a.pdf", CPdfException(FailureKind::Input, std::string("a.pdf\0b.pdf", 11)).messageText());
    EXPECT_STREQ("", CPdfException(FailureKind::Internal, static_cast<const char*>(nullptr)).messageText());
}
