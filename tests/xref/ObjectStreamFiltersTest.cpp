#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "TestEncoders.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

const std::string header = "11 0 12 10 ";
const std::string objects = "(eleven)\n (twelve)";

// A file whose object stream 10 holds objects 11 and 12, its data as given.
std::string fetchedThrough(const std::string& filter, const std::string& data, int number) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.stream(10, "/Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " " + filter, data);
    pdf.entry(11, 2, 10, 0);
    pdf.entry(12, 2, 10, 1);
    pdf.startxref(pdf.xrefStream(20, "/Root 1 0 R"));
    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    try {
        return fetched(xref, number);
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
}

}  // namespace

TEST(ObjectStreamFilters, ObjectsAreReadThroughEachFilterAndChain) {
    const std::string plain = header + objects;
    const std::pair<std::string, std::string> encodings[] = {
        {"/Filter /LZWDecode", lzwEncoded(plain)},
        {"/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>", lzwEncoded(plain, {false, true, 0})},
        {"/Filter /ASCII85Decode", ascii85Encoded(plain)},
        {"/Filter /ASCIIHexDecode", asciiHexEncoded(plain)},
        {"/Filter /RunLengthDecode", runLengthEncoded(plain)},
        {"/Filter [/ASCII85Decode /FlateDecode]", ascii85Encoded(zlibCompressed(plain))},
        {"/Filter [/ASCIIHexDecode /LZWDecode]", asciiHexEncoded(lzwEncoded(plain))},
    };
    for (const auto& [filter, data] : encodings) {
        EXPECT_EQ("eleven", fetchedThrough(filter, data, 11)) << filter;
        EXPECT_EQ("twelve", fetchedThrough(filter, data, 12)) << filter;
    }
    EXPECT_EQ(message::filterNotSupported, fetchedThrough("/Filter /DCTDecode", plain, 11));
}

// A Flate object stream whose checksum is wrong is read again in refills, and
// loses the last one, as it always did: an object whose text lay there is gone,
// the others are found.
// One with a predictor is read in refills at once.
TEST(ObjectStreamFilters, DamagedFlateStreamsLoseWhatTheirLastRefillHeld) {
    const std::string padding(1500, ' ');
    const std::string paddedHeader = "11 0 12 " + std::to_string(8 + padding.size()) + " ";
    const std::string plain = paddedHeader + "(eleven)" + padding + "(twelve)";
    const auto fetchedFrom = [&](const std::string& data, int number, const std::string& more = "") {
        PdfBuilder pdf;
        pdf.object(1, "<< /Type /Catalog >>");
        pdf.stream(10,
                   "/Type /ObjStm /N 2 /First " + std::to_string(paddedHeader.size()) + " /Filter /FlateDecode" + more,
                   data);
        pdf.entry(11, 2, 10, 0);
        pdf.entry(12, 2, 10, 1);
        pdf.startxref(pdf.xrefStream(20, "/Root 1 0 R"));
        CPdfDocument document;
        return fetched(pdf.open(document), number);
    };
    std::string wrongSum = zlibCompressed(plain);
    wrongSum.back() ^= 1;
    EXPECT_EQ("eleven", fetchedFrom(zlibCompressed(plain), 11));
    EXPECT_EQ("twelve", fetchedFrom(zlibCompressed(plain), 12));
    EXPECT_EQ("eleven", fetchedFrom(wrongSum, 11));
    EXPECT_EQ("kind 12", fetchedFrom(wrongSum, 12));  // the data ends before its text: end of file
    std::string rows;
    for (const char c : plain) rows += std::string(1, '\0') + c;  // PNG rows of one byte, unfiltered
    EXPECT_EQ("twelve", fetchedFrom(zlibCompressed(rows), 12, " /DecodeParms << /Predictor 12 /Columns 1 >>"));
}

// Data that expands thousands of times over is read only up to the bound on an
// object stream's size, and the file is then damaged.
TEST(ObjectStreamFilters, ADecodingBombStopsAtTheBound) {
    const size_t beyondBound = static_cast<size_t>(limits::maximumObjectStreamData) + 1024 * 1024;
    const std::string lzw = lzwBomb(beyondBound / 3839);
    EXPECT_LT(lzw.size(), 20000u);
    EXPECT_EQ(message::damaged, fetchedThrough("/Filter /LZWDecode", lzw, 11));
    std::string runLength = runLengthEncoded(header);
    runLength.pop_back();  // its end code
    for (size_t i = 0; i < beyondBound / 128; ++i) runLength += "\x81 ";
    EXPECT_EQ(message::damaged, fetchedThrough("/Filter /RunLengthDecode", runLength + "\x80", 11));
    EXPECT_EQ(message::damaged, fetchedThrough("/Filter [/AHx /LZW]", asciiHexEncoded(lzw), 12));
}
