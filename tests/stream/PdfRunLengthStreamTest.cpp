#include <gtest/gtest.h>

#include <string>

#include "TestEncoders.h"
#include "stream/PdfRunLengthStream.h"

TEST(PdfRunLengthStream, DecodesCopiesAndRepeats) {
    struct Case {
        const char* name;
        std::string encoded, decoded;
    } const cases[] = {
        {"a copy", byteString({2, 'a', 'b', 'c', 128}), "abc"},
        {"a repeat", byteString({254, 'x', 128}), "xxx"},
        {"the longest repeat", byteString({129, 'x', 128}), std::string(128, 'x')},
        {"the longest copy", std::string(1, '\x7F') + std::string(128, 'c') + "\x80", std::string(128, 'c')},
        {"no end code", byteString({1, 'a', 'b', 255, 'z'}), "abzz"},
        {"nothing after the end code", byteString({0, 'a', 128, 0, 'b'}), "a"},
        {"a copy cut short", byteString({5, 'a', 'b'}), "ab"},
        {"a repeat without its byte", byteString({0, 'a', 200}), "a"},
        {"empty", byteString({128}), ""},
    };
    for (const Case& test : cases) EXPECT_EQ(test.decoded, decodedBy<CPdfRunLengthStream>(test.encoded)) << test.name;
}

// Runs that cross the output buffer's refills come out whole, mixed with copies.
TEST(PdfRunLengthStream, DecodesWhatTheEncoderWrites) {
    std::string data;
    for (int i = 0; i < 20000; ++i)
        data += i % 7 == 0 ? std::string(static_cast<size_t>(i % 300), 'r') : "xy" + std::to_string(i);
    EXPECT_EQ(data, decodedBy<CPdfRunLengthStream>(runLengthEncoded(data)));
}
