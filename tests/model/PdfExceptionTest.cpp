#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/PdfException.h"

TEST(PdfException, CopyOwnsItsOwnText) {
    auto* original = new CPdfException("Can't open file");
    CPdfException copy(*original);
    EXPECT_NE(copy.messageText(), original->messageText());
    delete original;
    EXPECT_STREQ("Can't open file", copy.messageText());
}

TEST(PdfException, FormattedHoldsTextOfAnyLength) {
    const std::string name(5000, 'x');
    const CPdfException failure = CPdfException::formatted("Input file open error: %s\n", name.c_str());
    EXPECT_EQ("Input file open error: " + name + "\n", failure.messageText());
}

TEST(PdfException, PercentSignsInArgumentsStayAsTheyAre) {
    const CPdfException failure = CPdfException::formatted("Input file open error: %s\n", "100%d.pdf");
    EXPECT_STREQ("Input file open error: 100%d.pdf\n", failure.messageText());
}
