#include <gtest/gtest.h>

#include "TestByteFile.h"
#include "model/PdfException.h"
#include "stream/PdfEmbedStream.h"

namespace {

// Byte i of the file is i % 251, so every offset of a short window is recognisable.
std::string numberedBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

}  // namespace

TEST(PdfFileStream, WindowsEndAtTheirLengthOrAtTheEndOfTheFile) {
    const std::string content = numberedBytes(1000);
    const TestByteFile file(content);
    struct Window {
        uint32_t start, length, delivered;
    };
    for (const Window& window : {Window{990, 0, 10}, {10, 5, 5}, {995, 100, 5}}) {
        RetainPtr<CPdfStream> stream = file.openStream(window.start, window.length);
        EXPECT_EQ(content.substr(window.start, window.delivered), readAll(*stream.get())) << window.start;
        EXPECT_EQ(-1, stream->readByte());
    }
}

// A stream read on passes from a small first read to whole blocks: no byte is lost
// or repeated where they meet, before and after a seek, in windows of any length.
TEST(PdfFileStream, LongReadsDeliverEveryByteOnce) {
    const std::string content = numberedBytes(20000);
    const TestByteFile file(content);
    for (const uint32_t length : {0u, 255u, 256u, 257u, 4352u, 4353u, 13000u}) {
        RetainPtr<CPdfStream> stream = file.openStream(100, length);
        const std::string expected = content.substr(100, length == 0 ? std::string::npos : length);
        EXPECT_EQ(expected, readAll(*stream.get())) << length;
        stream->seek(150, 0);
        std::string afterSeek;
        for (int i = 0; i < 100; ++i) afterSeek.push_back(static_cast<char>(stream->readByte()));
        EXPECT_EQ(content.substr(150, 100), afterSeek) << length;
        EXPECT_EQ(250u, stream->tell()) << length;
        stream->rewind();
        EXPECT_EQ(expected, readAll(*stream.get())) << length;
    }
}

TEST(PdfFileStream, PeekTwiceThenReadGiveTheSameByte) {
    const TestByteFile file("xy");
    RetainPtr<CPdfStream> stream = file.openStream(1, 1);
    for (int expected : {int{'y'}, -1}) {
        EXPECT_EQ(expected, stream->peekByte());
        EXPECT_EQ(expected, stream->peekByte());
        EXPECT_EQ(expected, stream->readByte());
    }
}

TEST(PdfFileStream, TellAndShiftWindowCountFromTheStartOfTheFile) {
    const TestByteFile file(numberedBytes(2000));
    RetainPtr<CPdfStream> window = file.openStream(1000, 0);
    for (int i = 0; i < 300; ++i) window->readByte();
    EXPECT_EQ(1300u, window->tell());
    RetainPtr<CPdfStream> base = file.openStream();
    base->shiftWindow(7);
    EXPECT_EQ(7u, base->windowStart());
    EXPECT_EQ(7, base->readByte());
    for (int i = 0; i < 300; ++i) base->readByte();
    base->rewind();
    EXPECT_EQ(7, base->readByte());
}

TEST(PdfFileStream, SeekFromTheEndStopsAtTheStartOfTheFile) {
    for (size_t size : {5000u, 600u}) {
        const std::string content = numberedBytes(size);
        const TestByteFile file(content);
        RetainPtr<CPdfStream> stream = file.openStream();
        stream->seek(-1023, 2);
        EXPECT_EQ(static_cast<unsigned char>(content[size > 1023 ? size - 1023 : 0]), stream->readByte()) << size;
    }
}

TEST(PdfFileStream, SubStreamsOfOneFileReadAlternately) {
    const std::string content = numberedBytes(1000);
    const TestByteFile file(content);
    RetainPtr<CPdfStream> first = file.openStream(100, 300), second = file.openStream(600, 300);
    std::string fromFirst, fromSecond;
    for (int i = 0; i < 300; ++i) {
        fromFirst.push_back(static_cast<char>(first->readByte()));
        fromSecond.push_back(static_cast<char>(second->readByte()));
    }
    EXPECT_EQ(content.substr(100, 300), fromFirst);
    EXPECT_EQ(content.substr(600, 300), fromSecond);
}

TEST(PdfEmbedStream, ReadsUpToItsLimitFromWhereTheUnderlyingStreamStands) {
    const TestByteFile file("embedded");
    RetainPtr<CPdfStream> underlying = file.openStream();
    RetainPtr<CPdfStream> none = makeRetained<CPdfEmbedStream>(underlying.get(), 0);
    EXPECT_EQ(-1, none->peekByte());
    EXPECT_EQ(-1, none->readByte());
    underlying->readByte();
    const RetainPtr<CPdfEmbedStream> three = makeRetained<CPdfEmbedStream>(underlying.get(), 3);
    EXPECT_EQ("mbe", readAll(*three.get()));
    EXPECT_EQ(0, three->remainingBytes());
    EXPECT_EQ('d', underlying->readByte());  // nothing read past the limit
}

TEST(PdfStream, RawBytesExistOnlyBelowAPredictor) {
    const TestByteFile file("abc");
    RetainPtr<CPdfStream> stream = file.openStream();
    try {
        stream->getRawChar();
        ADD_FAILURE() << "getRawChar() did not throw";
    } catch (const CPdfException& failure) {
        EXPECT_STREQ("Internal: called getRawChar() on non-predictor stream", failure.messageText());
    }
}
