#include <gtest/gtest.h>

#include "stream/FileBlockCache.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "PdfBuilder.h"
#include "model/PdfException.h"
#include "rawtext/RawObject.h"
#include "stream/PatternSearch.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// Reads as the job reads: no text runs into the next object.
struct RawReader {
    RawReader(PdfBuilder& pdf) : xref(pdf.open(document)), input(std::fopen(pdf.write().c_str(), "rb")) {}
    ~RawReader() { std::fclose(input); }
    std::optional<std::string> text(int number, bool* isObjectStream = nullptr) {
        RawObject raw;
        if (!readRawObject(xref, number, raw)) return std::nullopt;
        if (isObjectStream) *isObjectStream = raw.isObjectStream;
        return std::string(raw.bytes.begin(), raw.bytes.end());
    }
    CPdfDocument document;
    CPdfXRef& xref;
    FILE* input;
};

}  // namespace

TEST(RawScan, FindPatternAndFindNumberAfter) {
    const std::string page = "1 0 obj\r<< /Type /Page >>";
    EXPECT_EQ(9u, findPattern(bytesOf(page), 0, uint32_t(page.size()), "<<", 2));
    EXPECT_EQ(0u, findPattern(bytesOf(page), 0, uint32_t(page.size()), "/Rotate", 7));
    EXPECT_EQ(0u, findPattern(bytesOf(page), 0, uint32_t(page.size()) - 1, ">>", 2));
    const struct {
        std::string text;
        uint32_t expected;
    } cases[] = {
        {"<< /Type /Pages /Count 12 /Kids [3 0 R] >>", 12},
        {"<< /Type /Pages /Count >>", 0},
        {"<< /Type /Pages /Kids [3 0 R] >>", 0},
        {"<< /Count -5 >>", 5},
        {"<< /Count 7 0 R >>", 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, findNumberAfter(bytesOf(c.text), uint32_t(c.text.size()), "/Count")) << c.text;
}

// The search itself: candidates for the first byte that fail later, an occurrence
// that ends exactly at the end, one cut short by it, and bytes beyond ASCII.
TEST(RawScan, SearchBytesFindsTheFirstWholeOccurrence) {
    const struct {
        std::string text;
        const char* pattern;
        long expected;  // the offset found; -1 for none
    } cases[] = {
        {"eendoendobj", "endobj", 5},
        {"endobj", "endobj", 0},
        {"xxendob", "endobj", -1},
        {"endo", "endobj", -1},
        {"abcabd", "abd", 3},
        {"a\xFF\xFEz\xFE", "\xFE", 2},
        {"x", "x", 0},
        {"", "x", -1},
        {"endobjendobj", "endobj", 0},
    };
    for (const auto& c : cases) {
        const uint8_t* begin = bytesOf(c.text);
        const uint8_t* found = searchBytes(begin, begin + c.text.size(), c.pattern, uint32_t(std::strlen(c.pattern)));
        EXPECT_EQ(c.expected, found ? found - begin : -1) << c.text << " / " << c.pattern;
    }
    const std::string text = "abc";
    EXPECT_EQ(nullptr, searchBytes(bytesOf(text), bytesOf(text) + 3, "", 0));
}

TEST(RawScan, FindPatternInRangeSeesAcrossReadBlocksAndStopsAtTheEnd) {
    PdfBuilder pdf;
    pdf.raw(std::string(65533 - pdf.bytes().size(), 'a') + "endobj tail");  // "endobj" at 65533..65538
    FILE* file = std::fopen(pdf.write().c_str(), "rb");
    ASSERT_NE(nullptr, file);
    FileBlockCache blocks(file);
    EXPECT_EQ(65538u, findPatternInRange(blocks, 0, UINT32_MAX, "endobj", 6));
    EXPECT_EQ(65538u, findPatternInRange(blocks, 65533, UINT32_MAX, "endobj", 6));
    EXPECT_EQ(0u, findPatternInRange(blocks, 65534, UINT32_MAX, "endobj", 6));
    EXPECT_EQ(65538u, findPatternInRange(blocks, 0, 65539, "endobj", 6));
    // A short range is read through the cache's blocks: the word lies across two.
    EXPECT_EQ(65538u, findPatternInRange(blocks, 65530, 65539, "endobj", 6));
    EXPECT_EQ(0u, findPatternInRange(blocks, 65530, 65538, "endobj", 6)) << "the word must end within the range";
    std::fclose(file);
}

TEST(RawScan, ReadRawObjectCopiesTheTextAsStored) {
    PdfBuilder pdf(std::string(40, 'J'));  // entry offsets count from the header at 40
    pdf.entry(3, 0, 0, 1);
    pdf.object(5, "<< >>");
    const uint32_t six = pdf.object(6, "<< /Length 12 >>\nstream\nxx endobj yy\nendstream");
    const uint32_t seven = pdf.stream(7, "/Type /XObject /Subtype /Form", "/ObjStm");
    const uint32_t eight = pdf.objectStream(8, {{12, "<< /Type /Page >>"}});
    const uint32_t nine = pdf.offset();
    pdf.entry(9, 1, nine, 0);
    pdf.raw("9 0 obj\n1\nendobjX");
    pdf.startxref(pdf.xrefStream(10, "/Root 5 0 R"));
    const auto stored = [&](uint32_t from, uint32_t to) { return pdf.bytes().substr(40 + from, to - from); };
    const struct {
        int number;
        std::optional<std::string> expected;
        bool isObjectStream;
    } cases[] = {
        {5, "5 0 obj\n<< >>\nendobj\n", false},
        {6, stored(six, seven), false},
        {7, stored(seven, eight), false},
        {8, stored(eight, nine), true},
        {12, "12 0 obj\r<< /Type /Page >> endobj\r", false},
        {9, "9 0 obj\n1\nendobj\n", false},
        {3, std::nullopt, false},
        {99, std::nullopt, false},
    };
    RawReader reader(pdf);
    for (const auto& c : cases) {
        bool isObjectStream = !c.isObjectStream;
        EXPECT_EQ(c.expected, reader.text(c.number, &isObjectStream)) << c.number;
        EXPECT_EQ(c.isObjectStream, isObjectStream && c.expected) << c.number;
    }
}

// What an object of an object stream leaves open is closed before the closing
// keyword the copy adds: a comment with a line end, and a string is damage. The
// text is passed over eight bytes at a time, so the opening byte stands at every
// place within and across those eight.
TEST(RawScan, ObjectsOfObjectStreamsLeftOpenAtAnyPlace) {
    for (size_t place = 0; place < 20; ++place) {
        const std::string padding(place, 'a');
        PdfBuilder pdf;
        pdf.object(1, "<< /Type /Catalog >>");
        // The last object's text runs to the end of the stream's data, with no line end after it.
        pdf.objectStream(2, {{4, "<</" + padding + " (open"}, {3, "<< /A /" + padding + " <</B 1>> >> % note"}});
        pdf.startxref(pdf.xrefStream(6, "/Root 1 0 R"));
        RawReader reader(pdf);
        const std::optional<std::string> comment = reader.text(3);
        ASSERT_TRUE(comment) << place;
        EXPECT_TRUE(comment->find("% note\n endobj") != std::string::npos) << place << ": " << *comment;
        try {
            reader.text(4);
            ADD_FAILURE() << place << ": a string left open read as sound";
        } catch (const CPdfException& failure) {
            EXPECT_EQ(FailureKind::Damaged, failure.kind()) << place;
        }
    }
}

TEST(RawScan, ReadRawObjectNeedsEndobj) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.entry(2, 1, pdf.offset(), 0);
    pdf.raw("2 0 obj\n(never closed)\n");
    pdf.startxref(pdf.table("/Root 1 0 R"));
    RawReader reader(pdf);
    EXPECT_EQ(std::nullopt, reader.text(2));
    EXPECT_NE(std::nullopt, reader.text(1));
}
