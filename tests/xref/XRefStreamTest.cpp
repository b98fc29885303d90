#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using Type = XRefEntryType;

std::string bytes(std::initializer_list<int> values) { return std::string(values.begin(), values.end()); }

// A file whose only section is cross-reference stream 7 with `entries` and `data`.
PdfBuilder& withStreamSection(PdfBuilder& pdf, const std::string& entries, const std::string& data,
                              bool flateWithPredictor = false) {
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(9, "3");
    const std::string dictionary = "/Type /XRef /Root 1 0 R " + entries;
    return pdf.startxref(pdf.stream(7, dictionary, data, flateWithPredictor, flateWithPredictor ? 4 : 0));
}

struct Expected {
    int number;
    Type type;
    int64_t offset;
    int gen;
};

const std::string three = bytes({0, 0, 0, 255, 1, 0, 15, 0, 2, 0, 7, 3});  // with W [1 2 1]
const std::vector<Expected> threeRead = {
    {0, Type::Free, 0, 255}, {1, Type::Uncompressed, 15, 0}, {2, Type::Compressed, 7, 3}};

}  // namespace

TEST(XRefStream, RecordsBecomeEntries) {
    const struct {
        std::string entries, data;
        size_t size;
        std::vector<Expected> expected;
        bool flateWithPredictor = false;
    } cases[] = {
        {"/Size 3 /W [1 2 1]", three, 3, threeRead},
        {"/Size 3 /W [1 2 1 5]", three, 3, threeRead},
        {"/Size 3 /W [1 2 1]", three, 3, threeRead, true},
        {"/Size 2 /W [0 2 0]",
         bytes({0, 15, 1, 0}),
         2,
         {{0, Type::Uncompressed, 15, 0}, {1, Type::Uncompressed, 256, 0}}},
        {"/Size 3 /W [1 2 1] /Index [0 3 10 2]",
         three + bytes({1, 0, 9, 0, 1, 0, 10, 1}),
         12,
         {{2, Type::Compressed, 7, 3},
          {3, Type::Free, -1, 0},
          {10, Type::Uncompressed, 9, 0},
          {11, Type::Uncompressed, 10, 1}}},
        {"/Size 3 /W [1 2 1] /Index [0 3 10]", three + bytes({1, 0, 9, 0}), 3, threeRead},
        // Of two Index entries the first counts, and pairs of no entries cost nothing.
        {"/Size 3 /W [1 2 1] /Index [0 3] /Index [10 2]", three, 3, threeRead},
        {"/Size 3 /W [1 2 1] /Index [0 0 0 3 2 0 1 0]", three, 3, threeRead},
        // The table holds the entries present, not the declared Size.
        {"/Size 20 /W [1 2 1] /Index [0 3]", three, 3, threeRead},
        // An offset of five or eight bytes lies past 4 GiB; a stream's number keeps 32 bits.
        {"/Size 2 /W [1 5 1]",
         bytes({1, 1, 0, 0, 0, 0x10, 0, 2, 0, 0, 0, 0, 7, 3}),
         2,
         {{0, Type::Uncompressed, 4'294'967'312, 0}, {1, Type::Compressed, 7, 3}}},
        {"/Size 1 /W [1 8 2]",
         bytes({1, 0, 0, 0, 2, 0x54, 0x0B, 0xE3, 0xFF, 0, 4}),
         1,
         {{0, Type::Uncompressed, 9'999'999'999, 4}}},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        CPdfDocument document;
        withStreamSection(pdf, c.entries, c.data, c.flateWithPredictor);
        const auto& entries = pdf.open(document).getEntries();
        ASSERT_EQ(c.size, entries.numberBound()) << c.entries;
        for (const Expected& e : c.expected) {
            const XRefEntry& entry = entries.at(size_t(e.number));
            EXPECT_TRUE(e.type == entry.type && e.offset == entry.offset() && e.gen == entry.gen)
                << c.entries << " #" << e.number << ": " << entry.offset() << " " << entry.gen << " "
                << int(entry.type);
        }
    }
}

TEST(XRefStream, MalformedStreamsAreRefused) {
    const struct {
        std::string entries, data, failure;
    } cases[] = {
        {"/Size 3 /W [1 2]", three, message::xrefStreamWidthWrongLength},
        {"/Size 3 /W [1 2.0 1]", three, message::xrefStreamWidthWrongType},
        {"/Size 3 /W 4", three, message::xrefStreamWidthWrongType},
        {"/Size 9 0 R /W [1 2 1]", three, message::xrefStreamSizeWrongType},
        {"/W [1 2 1]", three, message::xrefStreamSizeWrongType},
        {"/Size -1 /W [1 2 1]", three, message::xrefStreamSizeWrongType},
        {"/Size 3 /W [1 2 1] /Index [2147483647 1]", three, message::xrefStreamIndexWrongType},
        {"/Size 3 /W [1 2 1] /Index [0 /Three]", three, message::xrefStreamIndexWrongType},
        {"/Size 3 /W [1 2 1] /Index [0 3 [10] 2]", three, message::xrefStreamIndexWrongType},
        {"/Size 3 /W [1 2 1]", three.substr(0, 11), message::xrefStreamEndedEarly},
        {"/Size 3 /W [1 2 1]", three.substr(0, 8) + bytes({3, 0, 0, 0}), message::xrefStreamEntryWrongType},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        EXPECT_EQ(c.failure, withStreamSection(pdf, c.entries, c.data).openFailure()) << c.entries;
    }
    PdfBuilder pdf;  // nothing can be resolved while the sections are read
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(8, "4");
    pdf.startxref(pdf.object(
        7, "<< /Size 1 /W [1 2 1] /Root 1 0 R /Length 8 0 R >>\nstream\n" + bytes({1, 0, 15, 0}) + "\nendstream"));
    EXPECT_EQ(message::xrefStreamUnparsed, pdf.openFailure());
}

// The table of a hybrid-reference file names a stream that lists what the table
// leaves out; the table's own entries and trailer stand.
TEST(XRefStream, HybridFileReadsTheStreamNamedByXRefStm) {
    PdfBuilder pdf;
    pdf.object(2, "(stale)");
    pdf.object(5, "(only in the stream)");
    const uint32_t stream = pdf.xrefStream(6, "", true);
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(2, "(from the table)");
    pdf.entry(0, 0, 0, 65535);
    pdf.startxref(pdf.table("/Size 3 /Root 1 0 R /XRefStm " + std::to_string(stream)));
    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    EXPECT_EQ(7u, xref.getEntries().numberBound());
    EXPECT_EQ("from the table", fetched(xref, 2));
    EXPECT_EQ("only in the stream", fetched(xref, 5));
    CPdfElement size;
    xref.trailerDictionary().dictionary()->find("Size", size);
    EXPECT_EQ(3, size.integer());
}

// What a file declares is bounded by what it holds: rows of no bytes list nothing
// (however often an Index repeats them), more entries than the file has room for
// are damage, and numbers below the declared Size that no row lists read as free.
TEST(XRefStream, DeclaredEntriesAreBoundedByTheFile) {
    {
        PdfBuilder zeroWidths;
        withStreamSection(zeroWidths, "/Size 8388608 /W [0 0 0] /Index [0 8388608 0 8388608 0 8388608]", "");
        CPdfDocument document;
        EXPECT_TRUE(zeroWidths.open(document).getEntries().numberBound() == 0);
    }

    PdfBuilder tooMany;
    std::string rows;
    for (int i = 0; i < 40000; ++i) rows += bytes({1, 0, 0, 0});
    EXPECT_EQ(message::damaged,
              withStreamSection(tooMany, "/Size 8000000 /W [1 2 1] /Index [7960000 40000]", rows, true).openFailure());

    PdfBuilder declared;
    withStreamSection(declared, "/Size 20 /W [1 2 1] /Index [0 3]", three);
    CPdfDocument document;
    CPdfXRef& xref = declared.open(document);
    EXPECT_EQ("kind 5", fetched(xref, 19));
}
