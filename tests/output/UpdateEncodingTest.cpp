#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "TestByteFile.h"
#include "output/UpdateEncoding.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

std::string text(const uint8_t* bytes, int32_t length) {
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace

TEST(UpdateEncoding, CrossReferenceRowsTakeTheNarrowestWidthsInNumberOrder) {
    const EncodedXRefStream encoded = encodeXRefStream({{7, 1, 300, 0}, {3, 2, 9, 2}, {4, 1, 70000, 1}, {8, 1, 5, 0}});
    EXPECT_EQ(1, encoded.widths[0]);
    EXPECT_EQ(3, encoded.widths[1]);
    EXPECT_EQ(1, encoded.widths[2]);
    EXPECT_EQ((std::vector<std::pair<int32_t, int32_t>>{{3, 2}, {7, 2}}), encoded.index);
    EXPECT_EQ(byteString({2, 0, 0, 9, 2, 1, 1, 0x11, 0x70, 1, 1, 0, 1, 0x2C, 0, 1, 0, 0, 5, 0}), encoded.rows);

    const EncodedXRefStream wide = encodeXRefStream({{1, 1, 0x01020304, 300}});
    EXPECT_EQ(4, wide.widths[1]);
    EXPECT_EQ(2, wide.widths[2]);
    EXPECT_EQ(byteString({1, 1, 2, 3, 4, 1, 0x2C}), wide.rows);
}

// An offset past 4 GiB takes a fifth byte.
TEST(UpdateEncoding, OffsetsPastFourGibibytesWidenTheirField) {
    const EncodedXRefStream encoded = encodeXRefStream({{2, 1, 0x0102030405, 0}, {3, 1, 7, 0}});
    EXPECT_EQ(5, encoded.widths[1]);
    EXPECT_EQ(byteString({1, 1, 2, 3, 4, 5, 0, 1, 0, 0, 0, 0, 7, 0}), encoded.rows);
    EXPECT_EQ(" /Type /XRef /Size 4 /W [1 5 1] /Index [2 2]", xrefStreamEntries(encoded, 4));
}

TEST(UpdateEncoding, ObjectStreamListsEachObjectsOffsetFromFirst) {
    const EncodedObjectStream encoded = encodeObjectStream({{12, "<< /A 1 >>"}, {3, "[1 2] % note"}});
    EXPECT_EQ("12 0 3 11\n<< /A 1 >>\n[1 2] % note\n", encoded.data);
    EXPECT_EQ(10u, encoded.first);
    EXPECT_EQ(2u, encoded.count);
}

// zlib's own compression of the bytes, header and sum included.
std::string zlibCompressed(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string packed(size, '\0');
    EXPECT_EQ(Z_OK, compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                              reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level));
    packed.resize(size);
    return packed;
}

// An object stream compressed as its pieces come is the one zlib compresses whole,
// frame and sum included: an update may then read its pages twice rather than hold
// them, and readers find the stream they would find from zlib.
TEST(UpdateEncoding, DeflatingInPiecesGivesZlibsBytesForTheWhole) {
    std::string whole;
    for (int page = 0; page < 40000; ++page)
        whole += "<< /Type /Page /Parent " + std::to_string(page / 100 + 3) + " 0 R /Rotate 90\n>>\n";
    EXPECT_EQ(zlibCompressed(whole, Z_BEST_SPEED), deflateBytes(whole).view());
    for (const int level : {StreamDeflater::fastestLevel, 4, StreamDeflater::defaultLevel, 9}) {
        const std::string expected = zlibCompressed(whole, level);
        for (const size_t cut : {size_t{1}, size_t{7}, size_t{4096}, size_t{100000}, whole.size()}) {
            StreamDeflater deflater(level);
            for (size_t at = 0; at < whole.size(); at += cut) deflater.add(std::string_view(whole).substr(at, cut));
            EXPECT_EQ(expected, deflater.finish().view()) << "level " << level << ", pieces of " << cut;
        }
    }
    StreamDeflater nothing;
    EXPECT_EQ(zlibCompressed("", Z_BEST_SPEED), nothing.finish().view());
}

// The streams of an update, deflated, make a section that the program's own reader
// reads back: the entries, and each object's text in the object stream.
TEST(UpdateEncoding, ReaderReadsTheEncodedStreamsBack) {
    PdfBuilder pdf;
    const uint32_t catalogue = pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    const EncodedObjectStream objects =
        encodeObjectStream({{2, "<< /Type /Pages /Kids [] /Count 0 >>"}, {4, "(four)"}});
    const uint32_t objectStream =
        pdf.stream(5, "/Type /ObjStm /N 2 /First " + std::to_string(objects.first) + " /Filter /FlateDecode",
                   std::string(deflateBytes(objects.data).view()));
    const uint32_t section = pdf.offset();
    const EncodedXRefStream rows = encodeXRefStream(
        {{1, 1, catalogue, 0}, {2, 2, 5, 0}, {4, 2, 5, 1}, {5, 1, objectStream, 0}, {6, 1, section, 0}});
    std::string index;
    for (const auto& [first, count] : rows.index) index += std::to_string(first) + " " + std::to_string(count) + " ";
    pdf.stream(6,
               "/Type /XRef /Size 7 /Root 1 0 R /W [1 " + std::to_string(rows.widths[1]) + " " +
                   std::to_string(rows.widths[2]) + "] /Index [" + index + "] /Filter /FlateDecode",
               std::string(deflateBytes(rows.rows).view()));
    pdf.startxref(section);

    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    const XRefEntryTable& entries = xref.getEntries();
    ASSERT_EQ(7u, entries.numberBound());
    EXPECT_EQ(XRefEntryType::Compressed, entries.at(4).type);
    EXPECT_EQ(5, entries.at(4).offset());
    EXPECT_EQ(1, entries.at(4).gen);
    EXPECT_EQ(int32_t(section), entries.at(6).offset());
    EXPECT_TRUE(entries.at(3).isUnset());
    EXPECT_EQ("four", fetched(xref, 4));
    int32_t length = 0;
    const uint8_t* pages = xref.getRawObject(2, 0, length);
    ASSERT_NE(nullptr, pages);
    EXPECT_EQ("<< /Type /Pages /Kids [] /Count 0 >>\n", text(pages, length));
}
