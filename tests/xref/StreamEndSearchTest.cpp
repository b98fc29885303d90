#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "xref/StreamEndSearch.h"

namespace {

// Where the data that starts after "stream\n" in `text` ends, as -repair reads it,
// for the Length `declared`.
uint32_t dataLengthIn(const std::string& text, uint32_t declared) {
    FILE* file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
    const uint32_t dataStart = static_cast<uint32_t>(text.find("stream\n") + 7);
    const uint32_t length = StreamEndSearch(file, text.size()).dataLength(dataStart, declared);
    std::fclose(file);
    return length;
}

}  // namespace

TEST(StreamEndSearch, EndsAtTheNearestEndstreamBeforeTheNextHeader) {
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 2 >>\nstream\nABCDE\nendstream\nendobj\n5 0 obj\n1\nendobj\n", 2));
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 99 >>\nstream\nABCDE\r\nendstream endobj", 99));
}

TEST(StreamEndSearch, NeverRunsPastTheNextObjectHeader) {
    // The "endstream" after object 5 belongs to no data of object 4.
    const std::string text =
        "4 0 obj\n<< /Length 3 >>\nstream\nABCDE\n5 0 obj\n<< /Length 1 >>\nstream\nX\nendstream\nendobj\n";
    EXPECT_EQ(5u, dataLengthIn(text, 3));
}

TEST(StreamEndSearch, WithoutEndstreamTakesTheLengthWhenEndobjFollowsIt) {
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 5 >>\nstream\nABCDE\n         \nendobj\n5 0 obj\n1\nendobj\n", 5));
    // A Length that leads elsewhere: the data runs to the last "endobj" ahead of the header.
    EXPECT_EQ(7u, dataLengthIn("4 0 obj\n<< /Length 2 >>\nstream\nABCDEFG\nendobj\n5 0 obj\n1\nendobj\n", 2));
}

TEST(StreamEndSearch, WithoutEndstreamOrEndobjEndsBeforeTheNextHeaderOrTheFileEnd) {
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 2 >>\nstream\nABCDE\n5 0 obj\n1\nendobj\n", 2));
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 2 >>\nstream\nABCDE\n", 2));
}

TEST(StreamEndSearch, FindsTheEndFarBeyondTheFirstBlock) {
    const std::string data(100000, 'x');
    EXPECT_EQ(data.size(), dataLengthIn("4 0 obj\n<< /Length 7 >>\nstream\n" + data + "\nendstream\nendobj\n", 7));
    EXPECT_EQ(data.size(), dataLengthIn("4 0 obj\n<< /Length 7 >>\nstream\n" + data + "\n12 0 obj\n1\nendobj\n", 7));
}

TEST(StreamEndSearch, DataMayRunRightIntoEndstream) {
    EXPECT_EQ(5u, dataLengthIn("4 0 obj\n<< /Length 9 >>\nstream\nABCDEendstream\nendobj\n5 0 obj\n1\nendobj\n", 9));
}
