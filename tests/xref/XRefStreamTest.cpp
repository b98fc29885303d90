#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using Type = XRefEntryType;

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (const int value : values) text += static_cast<char>(value);
    return text;
}

// A file whose only section is cross-reference stream 7 with `entries` and `data`.
std::string streamSectionFile(PdfBuilder& pdf, const std::string& entries, const std::string& data,
                              PdfBuilder::Encoding encoding = {}) {
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(9, "3");
    pdf.startxref(pdf.stream(7, "/Type /XRef /Root 1 0 R " + entries, data, encoding));
    return pdf.write();
}

struct Expected {
    int number;
    Type type;
    int offset, gen;
};

const std::string threeRecords = bytes({0, 0, 0, 255, 1, 0, 15, 0, 2, 0, 7, 3});
const std::vector<Expected> threeEntries = {{0, Type::Free, 0, 255}, {1, Type::Uncompressed, 15, 0},
                                            {2, Type::Compressed, 7, 3}};

}  // namespace

TEST(XRefStream, RecordsBecomeEntries) {
    const struct {
        std::string entries, data;
        size_t size;
        std::vector<Expected> expected;
        bool flateWithPredictor = false;
    } cases[] = {
        {"/Size 3 /W [1 2 1]", threeRecords, 3, threeEntries},
        {"/Size 3 /W [1 2 1 5]", threeRecords, 3, threeEntries},
        {"/Size 3 /W [1 2 1]", threeRecords, 3, threeEntries, true},
        {"/Size 2 /W [0 2 0]", bytes({0, 15, 1, 0}), 2, {{0, Type::Uncompressed, 15, 0}, {1, Type::Uncompressed, 256, 0}}},
        {"/Size 3 /W [1 2 1] /Index [0 3 10 2]", threeRecords + bytes({1, 0, 9, 0, 1, 0, 10, 1}), 12,
         {{2, Type::Compressed, 7, 3}, {3, Type::Free, -1, 0}, {10, Type::Uncompressed, 9, 0},
          {11, Type::Uncompressed, 10, 1}}},
        {"/Size 3 /W [1 2 1] /Index [0 3 10]", threeRecords + bytes({1, 0, 9, 0}), 3, threeEntries},
        {"/Size 20 /W [1 2 1] /Index [0 3]", threeRecords, 20, {{2, Type::Compressed, 7, 3}, {19, Type::Free, -1, 0}}},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        CPdfDocument document;
        document.open(streamSectionFile(pdf, c.entries, c.data, {c.flateWithPredictor, c.flateWithPredictor ? 4 : 0}).c_str());
        const auto& entries = document.xref()->getEntries();
        ASSERT_EQ(c.size, entries.size()) << c.entries;
        for (const Expected& e : c.expected) {
            const XRefEntry& entry = entries[size_t(e.number)];
            EXPECT_EQ(e.type, entry.type) << c.entries << " #" << e.number;
            EXPECT_EQ(e.offset, entry.offset) << c.entries << " #" << e.number;
            EXPECT_EQ(e.gen, entry.gen) << c.entries << " #" << e.number;
        }
    }
}

TEST(XRefStream, MalformedStreamsAreRefused) {
    const struct {
        std::string entries, data, failure;
    } cases[] = {
        {"/Size 3 /W [1 2]", threeRecords, "W item of xref Stream is wrong length"},
        {"/Size 3 /W [1 2.0 1]", threeRecords, "W item of xref Stream is wrong type"},
        {"/Size 3 /W 4", threeRecords, "W item of xref Stream is wrong type"},
        {"/Size 9 0 R /W [1 2 1]", threeRecords, "Size of xref Stream is wrong type"},
        {"/W [1 2 1]", threeRecords, "Size of xref Stream is wrong type"},
        {"/Size 3 /W [1 2 1] /Index [0 /Three]", threeRecords, "Index item of xref Stream is wrong type"},
        {"/Size 3 /W [1 2 1]", threeRecords.substr(0, 11), "Unexpected EOF while reading xref stream section"},
        {"/Size 3 /W [1 2 1]", threeRecords.substr(0, 8) + bytes({3, 0, 0, 0}),
         "Wrong type of xref entry while reading xref stream section"},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        EXPECT_EQ(c.failure, openFailure(streamSectionFile(pdf, c.entries, c.data))) << c.entries;
    }
}

TEST(XRefStream, IndirectLengthCannotBeResolvedWhileSectionsAreRead) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(8, "4");
    pdf.startxref(pdf.object(7, "<< /Size 1 /W [1 2 1] /Root 1 0 R /Length 8 0 R >>\nstream\n" +
                                    bytes({1, 0, 15, 0}) + "\nendstream"));
    EXPECT_EQ("Couldn't parse an xref stream", openFailure(pdf.write()));
}

// The table of a hybrid-reference file names a stream that lists what the table
// leaves out; the table's own entries and trailer stand.
TEST(XRefStream, HybridFileReadsTheStreamNamedByXRefStm) {
    PdfBuilder pdf;
    pdf.object(2, "(stale)");
    pdf.object(5, "(only in the stream)");
    const uint32_t stream = pdf.xrefStream(6, "");
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(2, "(from the table)");
    pdf.entry(0, 0, 0, 65535);
    pdf.startxref(pdf.table("/Size 3 /Root 1 0 R /XRefStm " + std::to_string(stream)));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    CPdfXRef& xref = *document.xref();
    EXPECT_EQ(7u, xref.getEntries().size());
    for (const auto& [number, text] : {std::pair{2, "from the table"}, {5, "only in the stream"}}) {
        CPdfElement object;
        xref.fetchObject(number, 0, object);
        ASSERT_TRUE(object.is(ElementType::String)) << number;
        EXPECT_STREQ(text, object.text());
    }
    CPdfElement size;
    xref.trailerDictionary().dictionary()->find("Size", size);
    EXPECT_EQ(3, size.integer());
}
