#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "TestByteFile.h"
#include "TestEncoders.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "stream/PdfFilterChain.h"

namespace {

// Two rows of an up predictor with five columns, or six rows with one column.
const std::string inflated = byteString({2, 1, 2, 3, 4, 5, 2, 1, 1, 1, 1, 1});
const std::string fiveColumns = byteString({1, 2, 3, 4, 5, 2, 3, 4, 5, 6});
const std::string oneColumn = byteString({1, 4, 9, 10, 1, 1});

struct FilterCase {
    const char* dictionary;
    std::optional<std::string> decoded;  // none: applyFilters gives null
};

const FilterCase filterCases[] = {
    {"<< /F /Fl >>", inflated},
    {"<< /Filter null /F /FlateDecode >>", inflated},
    {"<< /Filter /FlateDecode /F /DCTDecode >>", inflated},
    {"<< /Filter [/FlateDecode] >>", inflated},
    {"<< /Filter [] >>", std::nullopt},
    {"<< /Filter [/FlateDecode /FlateDecode] >>", ""},  // the inflated bytes are no zlib data
    {"<< /Filter [7] >>", std::nullopt},
    {"<< /Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /Identity >> null] >>", inflated},
    {"<< /Filter [/Crypt /Fl] /DecodeParms [<< /Name /Identity >> << /Predictor 12 /Columns 5 >>] >>", fiveColumns},
    {"<< /Filter [/Crypt /Fl] /DecodeParms << /Name /Identity >> >>", inflated},  // the Crypt filter's own
    {"<< /Filter [/Crypt /Fl /Fl] >>", ""},  // a chain after Crypt: the inflated bytes are no zlib data
    {"<< /Filter (FlateDecode) >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 5 >> >>", fiveColumns},
    {"<< /Filter /Fl /DP << /Predictor 12 /Columns 5 >> >>", fiveColumns},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 5.0 >> >>", oneColumn},
    {"<< /Filter [/Fl] /DecodeParms [<< /Predictor 12 /Columns 5 >>] >>", fiveColumns},
    {"<< /Filter /Fl /DecodeParms [<< /Predictor 12 /Columns 5 >>] >>", inflated},
    {"<< /Filter /Fl /DecodeParms 12 >>", inflated},
    {"<< /Filter /Fl /DecodeParms /Predictor >>", inflated},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Colors 0 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Colors 33 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 2 /BitsPerComponent 3 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 0 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 20000000 >> >>", std::nullopt},
};

}  // namespace

TEST(PdfFilterChain, ChoosesTheDecoderFromTheDictionary) {
    const std::string packed = zlibCompressed(inflated);
    const TestByteFile file(packed);
    for (const FilterCase& test : filterCases) {
        RetainPtr<CPdfStream> raw = file.openStream(0, static_cast<uint32_t>(packed.size()));
        const CPdfStream* rawAddress = raw.get();
        RetainPtr<CPdfStream> decoded = applyFilters(std::move(raw), parseFirst(test.dictionary));
        if (!test.decoded) {
            EXPECT_EQ(nullptr, decoded.get()) << test.dictionary;
            continue;
        }
        ASSERT_NE(nullptr, decoded.get()) << test.dictionary;
        EXPECT_NE(rawAddress, decoded.get()) << test.dictionary;
        EXPECT_EQ(*test.decoded, readAll(*decoded.get())) << test.dictionary;
    }
}

TEST(PdfFilterChain, WithoutFilterTheRawStreamComesBack) {
    const TestByteFile file("raw bytes");
    RetainPtr<CPdfStream> raw = file.openStream();
    const RetainPtr<CPdfStream> result = applyFilters(raw, parseFirst("<< /Filter null /Length 9 >>"));
    EXPECT_EQ(raw.get(), result.get());
    EXPECT_EQ(2, raw->referenceCount());  // the test's holder and the result: the count passed through
    EXPECT_EQ("raw bytes", readAll(*raw.get()));
}

TEST(PdfFilterChain, RejectsOtherFilterNames) {
    const TestByteFile file("x");
    for (const char* dictionary : {"<< /Filter /fl >>", "<< /Filter /FlateDecodeX >>", "<< /Filter /DCTDecode >>",
                                   "<< /Filter [/JBIG2Decode] >>", "<< /Filter /lzw >>", "<< /Filter /Crypt >>"}) {
        try {
            applyFilters(file.openStream(), parseFirst(dictionary));
            ADD_FAILURE() << dictionary << " was accepted";
        } catch (const CPdfException& failure) {
            EXPECT_STREQ(message::filterNotSupported, failure.messageText()) << dictionary;
        }
    }
}

namespace {

const std::string text = "BT /F1 12 Tf 72 720 Td (A page of text, and then some more) Tj ET\n";

struct ChainCase {
    std::string dictionary, encoded;
    std::optional<std::string> decoded;  // none: applyFilters gives null
};

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

// An up predictor over rows of `columns` bytes, as a PNG row holds it.
std::string pngUpRows(const std::string& data, size_t columns) {
    std::string out, previous(columns, '\0');
    for (size_t at = 0; at < data.size(); at += columns) {
        std::string row = data.substr(at, columns);
        row.resize(columns, '\0');
        out.push_back(2);
        for (size_t i = 0; i < columns; ++i) out.push_back(static_cast<char>(row[i] - previous[i]));
        previous = row;
    }
    return out;
}

std::optional<std::string> decodedThrough(const std::string& dictionary, const std::string& encoded) {
    const TestByteFile file(encoded);
    RetainPtr<CPdfStream> decoded =
        applyFilters(file.openStream(0, static_cast<uint32_t>(encoded.size())), parseFirst(dictionary));
    if (!decoded) return std::nullopt;
    return readAll(*decoded.get());
}

}  // namespace

TEST(PdfFilterChain, DecodesEachFilterByEitherName) {
    const std::string longText = repeated(text, 50);
    const std::pair<std::string, std::string> named[] = {
        {"/FlateDecode", zlibCompressed(longText)},
        {"/Fl", zlibCompressed(longText)},
        {"/LZWDecode", lzwEncoded(longText)},
        {"/LZW", lzwEncoded(longText)},
        {"/ASCII85Decode", ascii85Encoded(longText)},
        {"/A85", ascii85Encoded(longText)},
        {"/ASCIIHexDecode", asciiHexEncoded(longText)},
        {"/AHx", asciiHexEncoded(longText)},
        {"/RunLengthDecode", runLengthEncoded(longText)},
        {"/RL", runLengthEncoded(longText)},
    };
    for (const auto& [name, encoded] : named) {
        EXPECT_EQ(longText, decodedThrough("<< /Filter " + name + " >>", encoded)) << name;
        EXPECT_EQ(longText, decodedThrough("<< /Filter [" + name + "] >>", encoded)) << name;
        EXPECT_TRUE(isDecodedFilter(name.c_str() + 1)) << name;
    }
    for (const char* other : {"DCTDecode", "JPXDecode", "CCITTFaxDecode", "JBIG2Decode", "Crypt", "lzw", "AHX", ""})
        EXPECT_FALSE(isDecodedFilter(other)) << other;
}

// Each filter decodes the output of the one before it, with its own parameters.
TEST(PdfFilterChain, DecodesChainsWithTheirParameters) {
    const std::string rows = pngUpRows(text, 8);
    const ChainCase cases[] = {
        {"<< /Filter [/ASCII85Decode /FlateDecode] >>", ascii85Encoded(zlibCompressed(text)), text},
        {"<< /Filter [/AHx /LZW] >>", asciiHexEncoded(lzwEncoded(text)), text},
        {"<< /Filter [/AHx /LZW] /DecodeParms [null << /EarlyChange 0 >>] >>",
         asciiHexEncoded(lzwEncoded(text, {false, true, 0})), text},
        {"<< /Filter [/A85 /RL /Fl] >>", ascii85Encoded(runLengthEncoded(zlibCompressed(text))), text},
        {"<< /Filter [/AHx /A85 /AHx] >>", asciiHexEncoded(ascii85Encoded(asciiHexEncoded(text))), text},
        {"<< /Filter [/A85 /Fl] /DecodeParms [null << /Predictor 12 /Columns 8 >>] >>",
         ascii85Encoded(zlibCompressed(rows)), text + std::string(8 - text.size() % 8, '\0')},
        {"<< /Filter [/A85 /LZW] /DP [null << /Predictor 12 /Columns 8 >>] >>", ascii85Encoded(lzwEncoded(rows)),
         text + std::string(8 - text.size() % 8, '\0')},
        // A lone dictionary beside a chain is given to each filter that takes parameters.
        {"<< /Filter [/A85 /Fl] /DecodeParms << /Predictor 12 /Columns 8 >> >>", ascii85Encoded(zlibCompressed(rows)),
         text + std::string(8 - text.size() % 8, '\0')},
        // A short parameter array leaves the defaults to the filters past its end.
        {"<< /Filter [/A85 /Fl] /DecodeParms [null] >>", ascii85Encoded(zlibCompressed(text)), text},
        {"<< /Filter [/A85 /Fl] /DecodeParms 7 >>", ascii85Encoded(zlibCompressed(text)), text},
        // Damage in an inner filter ends the data of the chain after what was decoded.
        {"<< /Filter [/AHx /AHx] >>", asciiHexEncoded("414243x4445>"), std::string("ABC")},
        // What cannot be decoded: the whole chain is null.
        {"<< /Filter [/A85 /DCTDecode] >>", ascii85Encoded(text), std::nullopt},
        {"<< /Filter [/FlateDecode /Unknown] >>", zlibCompressed(text), std::nullopt},
        {"<< /Filter [/A85 (Fl)] >>", ascii85Encoded(zlibCompressed(text)), std::nullopt},
        {"<< /Filter [/A85 /Fl] /DecodeParms [null << /Predictor 12 /Columns 0 >>] >>",
         ascii85Encoded(zlibCompressed(text)), std::nullopt},
        {"<< /Filter [/A85 /LZW] /DecodeParms [null << /Predictor 2 /BitsPerComponent 3 >>] >>",
         ascii85Encoded(lzwEncoded(text)), std::nullopt},
        {"<< /Filter [/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx] >>", ">", std::string()},
        {"<< /Filter [/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx] >>", ">", std::nullopt},
    };
    for (const ChainCase& test : cases)
        EXPECT_EQ(test.decoded, decodedThrough(test.dictionary, test.encoded)) << test.dictionary;
}

// Block reads give the bytes that byte reads give, mixed with them in any order,
// through every decoder and across their refills, to the end.
TEST(PdfFilterChain, BlockReadsGiveWhatByteReadsGive) {
    const std::string longText = repeated(text, 600) + std::string(5000, '\0') + repeated(text, 10);
    const std::pair<const char*, std::string> encodings[] = {
        {"<< /Filter /LZWDecode >>", lzwEncoded(longText)},
        {"<< /Filter /ASCII85Decode >>", ascii85Encoded(longText)},
        {"<< /Filter /ASCIIHexDecode >>", asciiHexEncoded(longText)},
        {"<< /Filter /RunLengthDecode >>", runLengthEncoded(longText)},
        {"<< /Filter [/AHx /Fl] >>", asciiHexEncoded(zlibCompressed(longText))},
    };
    for (const auto& [dictionary, encoded] : encodings) {
        const TestByteFile file(encoded);
        RetainPtr<CPdfStream> stream =
            applyFilters(file.openStream(0, static_cast<uint32_t>(encoded.size())), parseFirst(dictionary));
        ASSERT_NE(nullptr, stream.get());
        std::string mixed;
        for (size_t block = 1; mixed.size() < longText.size(); block = block * 3 + 1) {
            const int peeked = stream->peekByte();
            const int read = stream->readByte();
            ASSERT_EQ(peeked, read) << dictionary;
            ASSERT_GE(read, 0) << dictionary;
            mixed.push_back(static_cast<char>(read));
            std::string piece(block, '\0');
            piece.resize(stream->readBlock(reinterpret_cast<uint8_t*>(piece.data()), block));
            mixed += piece;
        }
        EXPECT_EQ(longText, mixed) << dictionary;
        uint8_t past = 0;
        EXPECT_EQ(0u, stream->readBlock(&past, 1)) << dictionary;
        EXPECT_EQ(-1, stream->peekByte()) << dictionary;
    }
}

namespace {

// PNG rows undone as the PNG format defines them, byte by byte: the reference
// for the predictor. `raw` holds rows of a tag and `width` bytes; a row the data
// ends within is dropped.
std::string pngUndone(const std::string& raw, size_t width, size_t pixelBytes) {
    std::string out, above(width, '\0');
    for (size_t at = 0; at + width + 1 <= raw.size(); at += width + 1) {
        const int tag = static_cast<uint8_t>(raw[at]);
        std::string row(width, '\0');
        for (size_t i = 0; i < width; ++i) {
            const int x = static_cast<uint8_t>(raw[at + 1 + i]);
            const int a = i >= pixelBytes ? static_cast<uint8_t>(row[i - pixelBytes]) : 0;
            const int b = static_cast<uint8_t>(above[i]);
            const int c = i >= pixelBytes ? static_cast<uint8_t>(above[i - pixelBytes]) : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted = tag == 1 ? a : tag == 2 ? b : tag == 3 ? (a + b) / 2 : tag == 4 ? paeth : 0;
            row[i] = static_cast<char>(x + predicted);
        }
        out += row;
        above = row;
    }
    return out;
}

}  // namespace

// Rows of every PNG filter (and a tag of none), one and three bytes a pixel, more rows
// than one read takes at once, the last cut short: block reads of every size, byte
// reads and both mixed give the rows the PNG format undoes to, and no more.
TEST(PdfFilterChain, PredictedRowsComeOutAsThePngFormatUndoesThem) {
    for (const int colors : {1, 3}) {
        const size_t width = 6;
        std::string raw;
        uint32_t state = 12345;
        for (int row = 0; row < 1500; ++row) {
            raw.push_back(static_cast<char>(row % 7 == 6 ? 9 : row % 5));
            for (size_t i = 0; i < width; ++i) {
                state = state * 1103515245u + 12345u;
                raw.push_back(static_cast<char>(state >> 24));
            }
        }
        raw += "\2abc";  // a row the data ends within
        const std::string expected = pngUndone(raw, width, static_cast<size_t>(colors));
        const std::string dictionary = "<< /Filter /FlateDecode /DecodeParms << /Predictor 15 /Columns " +
                                       std::to_string(width / static_cast<size_t>(colors)) + " /Colors " +
                                       std::to_string(colors) + " >> >>";
        const std::string encoded = zlibCompressed(raw);
        for (const size_t block : {size_t{1}, size_t{5}, size_t{6}, size_t{7}, size_t{768}, size_t{5000}}) {
            const TestByteFile file(encoded);
            RetainPtr<CPdfStream> stream =
                applyFilters(file.openStream(0, static_cast<uint32_t>(encoded.size())), parseFirst(dictionary));
            ASSERT_NE(nullptr, stream.get());
            std::string decoded;
            for (bool byByte = false;; byByte = !byByte) {
                if (byByte && block != 5000) {
                    const int read = stream->readByte();
                    if (read < 0) break;
                    decoded.push_back(static_cast<char>(read));
                    continue;
                }
                std::string piece(block, '\0');
                piece.resize(stream->readBlock(reinterpret_cast<uint8_t*>(piece.data()), block));
                if (piece.empty()) break;
                decoded += piece;
            }
            EXPECT_EQ(expected, decoded) << "colors " << colors << ", blocks of " << block;
        }
    }
}
