#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

#include "TestByteFile.h"
#include "stream/PdfFlateStream.h"

namespace {

struct Predictor {
    int32_t predictor = 1, columns = 1, colors = 1, bits = 8;
};

// Compressed bytes in a file, read through a Flate stream over a window of its start.
struct FlateFile {
    FlateFile(const std::string& packed, Predictor p, uint32_t windowLength)
        : file(packed),
          stream(makeRetained<CPdfFlateStream>(file.openStream(0, windowLength), p.predictor, p.columns, p.colors,
                                               p.bits)) {}
    explicit FlateFile(const std::string& packed, Predictor p = {})
        : FlateFile(packed, p, static_cast<uint32_t>(packed.size())) {}
    std::string readAll() { return ::readAll(*stream.get()); }

    TestByteFile file;
    RetainPtr<CPdfStream> stream;
};

struct PredictorCase {
    const char* name;
    Predictor parameters;
    std::string inflated, expected;
};

const PredictorCase predictorCases[] = {
    {"none", {1, 1, 1, 8}, byteString({2, 0, 255}), byteString({2, 0, 255})},
    {"up", {12, 4, 1, 8}, byteString({2, 1, 2, 3, 4, 2, 10, 20, 30, 40}), byteString({1, 2, 3, 4, 11, 22, 33, 44})},
    {"incomplete row",
     {12, 4, 1, 8},
     byteString({2, 1, 2, 3, 4, 2, 10, 20, 30, 40, 2, 5}),
     byteString({1, 2, 3, 4, 11, 22, 33, 44})},
    {"sub", {12, 4, 1, 8}, byteString({1, 1, 1, 1, 255}), byteString({1, 2, 3, 2})},
    // The sum of left and up is halved before it is cut to a byte.
    {"average",
     {12, 4, 1, 8},
     byteString({0, 250, 250, 250, 250, 3, 0, 0, 0, 0}),
     byteString({250, 250, 250, 250, 125, 187, 218, 234})},
    // Left and upper left lie three bytes back; row two's second pixel takes upper left.
    {"Paeth",
     {12, 2, 3, 8},
     byteString({0, 15, 15, 15, 20, 20, 20, 4, 251, 251, 251, 1, 1, 1}),
     byteString({15, 15, 15, 20, 20, 20, 10, 10, 10, 16, 16, 16})},
    // Up and upper left are equally near the estimate: up is taken.
    {"Paeth tie", {12, 2, 1, 8}, byteString({0, 10, 8, 4, 1, 0}), byteString({10, 8, 11, 8})},
    {"filter 7", {12, 4, 1, 8}, byteString({0, 1, 1, 1, 1, 7, 9, 8, 7, 6}), byteString({1, 1, 1, 1, 9, 8, 7, 6})},
    {"TIFF 8", {2, 2, 3, 8}, byteString({10, 20, 30, 1, 2, 3}), byteString({10, 20, 30, 11, 22, 33})},
    {"TIFF 1", {2, 8, 1, 1}, byteString({0x80, 0x41}), byteString({0xFF, 0x7E})},
    {"TIFF 16",
     {2, 2, 1, 16},
     byteString({1, 0xFF, 0, 2, 0xFF, 0xFF, 0, 2}),
     byteString({1, 0xFF, 2, 1, 0xFF, 0xFF, 0, 1})},
};

// A zlib header, one stored block of 3000 bytes, then a block of the reserved type.
std::string packedThenCorrupt() {
    return byteString({0x78, 0x01, 0x00, 0xB8, 0x0B, 0x47, 0xF4}) + std::string(3000, 'z') + "\xFF\xFF";
}

// PNG rows undone one byte at a time, as the PDF format describes them: each
// row's tag picks the filter, the left neighbours of the first pixel are zeros,
// and a row the data ends within is dropped.
std::string undoPngRows(const std::string& raw, int32_t rowBytes, int32_t pixelBytes) {
    std::string out, above(static_cast<size_t>(rowBytes), '\0');
    for (size_t start = 0; start + 1 + rowBytes <= raw.size(); start += 1 + rowBytes) {
        const int tag = static_cast<uint8_t>(raw[start]);
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int32_t i = 0; i < rowBytes; ++i) {
            const int left = i >= pixelBytes ? static_cast<uint8_t>(row[i - pixelBytes]) : 0;
            const int up = static_cast<uint8_t>(above[i]);
            const int upLeft = i >= pixelBytes ? static_cast<uint8_t>(above[i - pixelBytes]) : 0;
            const int p = left + up - upLeft;
            const int nearest = std::abs(p - left) <= std::abs(p - up) && std::abs(p - left) <= std::abs(p - upLeft)
                                    ? left
                                    : (std::abs(p - up) <= std::abs(p - upLeft) ? up : upLeft);
            const int predicted = tag == 1 ? left : tag == 2 ? up : tag == 3 ? (left + up) / 2 : tag == 4 ? nearest : 0;
            row[i] = static_cast<char>(static_cast<uint8_t>(raw[start + 1 + i]) + predicted);
        }
        out += row;
        above = row;
    }
    return out;
}

// What inflating gives when zlib checks the data itself: refills of 1024 bytes
// from input taken 4096 bytes at a time, a refill that fails dropped with the rest.
std::string inflatedWithZlibsCheck(const std::string& packed) {
    z_stream zlib{};
    inflateInit(&zlib);
    std::string out;
    size_t given = 0;
    unsigned char refill[1024];
    bool finished = false;
    while (!finished) {
        zlib.next_out = refill;
        zlib.avail_out = sizeof refill;
        while (zlib.avail_out > 0) {
            if (zlib.avail_in == 0) {
                if (given == packed.size()) break;
                const size_t piece = std::min<size_t>(4096, packed.size() - given);
                zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + given));
                zlib.avail_in = static_cast<uInt>(piece);
                given += piece;
            }
            const int result = inflate(&zlib, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                finished = true;
                break;
            }
            if (result != Z_OK && result != Z_BUF_ERROR) {
                inflateEnd(&zlib);
                return out;
            }
            if (result == Z_BUF_ERROR && zlib.avail_in > 0) break;
        }
        const size_t made = sizeof refill - zlib.avail_out;
        if (made == 0) break;
        out.append(reinterpret_cast<const char*>(refill), made);
    }
    inflateEnd(&zlib);
    return out;
}

// One stored block of `length` bytes in the zlib format, with its checksum.
std::string storedStream(size_t length) {
    std::string data(length, '\0');
    for (size_t i = 0; i < length; ++i) data[i] = static_cast<char>(i * 31 + i / 7);
    const uint32_t sum = static_cast<uint32_t>(adler32(1, reinterpret_cast<const Bytef*>(data.data()), length));
    return byteString({0x78, 0x01, 0x01, static_cast<int>(length & 0xFF), static_cast<int>(length >> 8),
                       static_cast<int>(~length & 0xFF), static_cast<int>((~length >> 8) & 0xFF)}) +
           data +
           byteString({static_cast<int>(sum >> 24), static_cast<int>((sum >> 16) & 0xFF),
                       static_cast<int>((sum >> 8) & 0xFF), static_cast<int>(sum & 0xFF)});
}

}  // namespace

TEST(PdfFlateStream, UndoesEachPredictor) {
    for (const PredictorCase& test : predictorCases) {
        FlateFile flate(zlibCompressed(test.inflated), test.parameters);
        EXPECT_EQ(test.expected, flate.readAll()) << test.name;
        EXPECT_EQ(-1, flate.stream->peekByte()) << test.name;
    }
}

TEST(PdfFlateStream, ReadsNoMoreThanTheWindowAndTheFileHold) {
    EXPECT_EQ("", FlateFile(zlibCompressed("data"), {}, 0).readAll());
    EXPECT_EQ("data", FlateFile(zlibCompressed("data"), {}, 0xFFFFFFF0u).readAll());
}

TEST(PdfFlateStream, PeekShowsTheDecodedByte) {
    FlateFile flate(zlibCompressed(byteString({2, 1, 2, 3, 4, 2, 10, 20, 30, 40})), {12, 4, 1, 8});
    for (int i = 0; i < 4; ++i) flate.stream->readByte();
    EXPECT_EQ(11, flate.stream->peekByte());
    EXPECT_EQ(11, flate.stream->readByte());
    EXPECT_EQ(22, flate.stream->peekByte());
}

TEST(PdfFlateStream, CorruptDataEndsAfterTheLastCompleteRefill) {
    FlateFile flate(packedThenCorrupt());
    EXPECT_EQ(2048u, flate.readAll().size());
    EXPECT_EQ(-1, flate.stream->readByte());
}

// The checksum at the end is compared as zlib compares it: a wrong one fails the
// refill that reaches it, wherever the checksum's bytes fall among the input pieces;
// one cut short ends the data after all that was inflated.
TEST(PdfFlateStream, ChecksumIsHeldToWhatZlibChecks) {
    // 3000 bytes: the refill of the last 952 is dropped.
    std::string wrong = storedStream(3000);
    wrong.back() ^= 1;
    EXPECT_EQ(2048u, FlateFile(wrong).readAll().size());
    EXPECT_EQ(3000u, FlateFile(storedStream(3000)).readAll().size());
    EXPECT_EQ(3000u, FlateFile(storedStream(3000).substr(0, 3009)).readAll().size());
    // Streams that end around the first input piece's end, each of the four bytes wrong in turn.
    for (size_t length = 4080; length <= 4090; ++length) {
        const std::string right = storedStream(length);
        EXPECT_EQ(inflatedWithZlibsCheck(right), FlateFile(right).readAll()) << length;
        EXPECT_EQ(length, FlateFile(right).readAll().size()) << length;
        for (size_t k = 1; k <= 4; ++k) {
            std::string damaged = right;
            damaged[damaged.size() - k] ^= 0x40;
            EXPECT_EQ(inflatedWithZlibsCheck(damaged), FlateFile(damaged).readAll()) << length << " " << k;
            EXPECT_EQ(4096u - 1024u, FlateFile(damaged).readAll().size()) << length << " " << k;
        }
    }
}

// Compressed data damaged anywhere (a flipped byte, a cut) inflates to what zlib's
// own check gives, byte for byte.
TEST(PdfFlateStream, DamageAnywhereEndsWhereZlibsCheckEndsIt) {
    std::string text;
    uint32_t seed = 99;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int i = 0; i < 20000; ++i) text.push_back(static_cast<char>(next() % 5 == 0 ? next() : 'a' + next() % 4));
    const std::string packed = zlibCompressed(text);
    ASSERT_GT(packed.size(), 4100u);
    for (int trial = 0; trial < 300; ++trial) {
        std::string damaged = packed;
        const size_t at = trial < 40 ? packed.size() - 1 - trial % 8 : next() % packed.size();
        if (trial % 3 == 2) damaged.resize(at);
        else damaged[at] = static_cast<char>(damaged[at] ^ (1 + next() % 255));
        EXPECT_EQ(inflatedWithZlibsCheck(damaged), FlateFile(damaged).readAll()) << trial << " at " << at;
    }
}

// Inflated at once, a sound stream gives what its refills give, below the bound and
// however far beyond the first room it grows; anything the refills would end early
// or that reaches the bound is declined.
TEST(PdfFlateStream, InflatedWholeOnlyWhenSoundAndWithinTheBound) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text.push_back(static_cast<char>('a' + (i * 7 + i / 13) % 26));
    for (const size_t length : {size_t{0}, size_t{1}, size_t{16384}, size_t{70000}, size_t{200000}}) {
        const std::string packed = zlibCompressed(text.substr(0, length));
        FlateFile flate(packed);
        auto& stream = static_cast<CPdfFlateStream&>(*flate.stream.get());
        DecodedBytes whole;
        ASSERT_TRUE(stream.inflatesWhole()) << length;
        ASSERT_TRUE(stream.inflateWhole(whole, 200001)) << length;
        EXPECT_EQ(FlateFile(packed).readAll(), std::string(whole.begin(), whole.end())) << length;
        EXPECT_FALSE(stream.inflatesWhole()) << length;
    }
    const auto declined = [](const std::string& packed, size_t bound) {
        FlateFile flate(packed);
        DecodedBytes whole;
        return !static_cast<CPdfFlateStream&>(*flate.stream.get()).inflateWhole(whole, bound);
    };
    EXPECT_TRUE(declined(zlibCompressed(text.substr(0, 5000)), 5000));
    EXPECT_FALSE(declined(zlibCompressed(text.substr(0, 4999)), 5000));
    std::string wrongSum = storedStream(3000), cut = zlibCompressed(text.substr(0, 9000));
    wrongSum.back() ^= 1;
    cut.resize(cut.size() - 5);
    EXPECT_TRUE(declined(wrongSum, 100000));
    EXPECT_TRUE(declined(cut, 100000));
    EXPECT_TRUE(declined(packedThenCorrupt(), 100000));
}

// Damage stops the reading as soon as it would stop the refills: a stream that
// turns bad at its start is not read to the end of a long window first.
TEST(PdfFlateStream, InflatingWholeStopsReadingAtTheDamage) {
    const std::string junk = packedThenCorrupt() + std::string(4 * 1024 * 1024, 'j');
    FlateFile flate(junk);
    DecodedBytes whole;
    EXPECT_FALSE(static_cast<CPdfFlateStream&>(*flate.stream.get()).inflateWhole(whole, 1 << 20));
    EXPECT_LT(flate.stream->tell(), 64u * 1024);
}

// A stream with a predictor, or one already read from, is never taken at once.
TEST(PdfFlateStream, PredictedOrStartedStreamsAreLeftToTheirRefills) {
    FlateFile predicted(zlibCompressed(byteString({2, 1, 2, 3, 4})), {12, 4, 1, 8});
    EXPECT_FALSE(static_cast<CPdfFlateStream&>(*predicted.stream.get()).inflatesWhole());
    EXPECT_EQ(byteString({1, 2, 3, 4}), predicted.readAll());
    FlateFile started(zlibCompressed("abcdef"));
    EXPECT_EQ('a', started.stream->readByte());
    auto& stream = static_cast<CPdfFlateStream&>(*started.stream.get());
    DecodedBytes whole;
    EXPECT_FALSE(stream.inflatesWhole());
    EXPECT_FALSE(stream.inflateWhole(whole, 1000));
    EXPECT_EQ("bcdef", started.readAll());
}

TEST(PdfFlateStream, RewindDoesNotRestart) {
    FlateFile flate(zlibCompressed("abcdef"));
    EXPECT_EQ('a', flate.stream->readByte());
    flate.stream->rewind();
    EXPECT_EQ("bcdef", flate.readAll());
}

// Block reads give the bytes that byte reads give, mixed with them in any order,
// with and without a predictor, across the stream's refills and to its end.
TEST(PdfFlateStream, BlockReadsGiveWhatByteReadsGive) {
    std::string inflated;
    for (int i = 0; i < 30000; ++i) inflated.push_back(static_cast<char>((i * 7) % 256));
    for (const Predictor parameters : {Predictor{}, Predictor{2, 5, 1, 8}, Predictor{12, 5, 1, 8}}) {
        const std::string expected = FlateFile(zlibCompressed(inflated), parameters).readAll();
        FlateFile flate(zlibCompressed(inflated), parameters);
        std::string mixed;
        for (size_t block = 1; mixed.size() < expected.size(); block = block * 3 + 1) {
            mixed.push_back(static_cast<char>(flate.stream->readByte()));
            std::string piece(block, '\0');
            piece.resize(flate.stream->readBlock(reinterpret_cast<uint8_t*>(piece.data()), block));
            mixed += piece;
        }
        EXPECT_EQ(expected, mixed) << parameters.predictor;
        uint8_t past = 0;
        EXPECT_EQ(0u, flate.stream->readBlock(&past, 1));
    }
}

// Long data of rows with every tag (and unknown ones), for pixels of one to four
// bytes and rows of several widths, matches the rows undone byte by byte, across
// the decoder's refills and with a last row cut short.
TEST(PdfFlateStream, PngRowsMatchTheRowsUndoneByteByByte) {
    uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (const int32_t colors : {1, 2, 3, 4}) {
        for (const int32_t columns : {1, 3, 7, 40}) {
            const int32_t rowBytes = colors * columns;
            std::string raw;
            for (int row = 0; row < 9000 / rowBytes + 3; ++row) {
                raw.push_back(static_cast<char>(next() % 7));
                for (int32_t i = 0; i < rowBytes; ++i) raw.push_back(static_cast<char>(next()));
            }
            raw.push_back(2);
            raw.push_back('x');
            FlateFile flate(zlibCompressed(raw), {12, columns, colors, 8});
            EXPECT_EQ(undoPngRows(raw, rowBytes, colors), flate.readAll()) << colors << " " << columns;
        }
    }
}
