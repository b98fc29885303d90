#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfObjectStream.h"
#include "xref/PdfXRef.h"

namespace {

const std::string null = "kind 5";

std::string failureOfFetch(CPdfXRef& xref, int number) {
    try {
        fetched(xref, number);
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    return "";
}

}  // namespace

TEST(ObjectLookup, FindsObjectsOnlyUnderTheirNumberAndGeneration) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.entry(5, 1, pdf.object(3, "(three)"), 0);  // object 5 points at the header of object 3
    pdf.entry(4, 1, pdf.offset(), 0);
    pdf.raw("4\n0\n\nobj\n(spread)\nendobj\n");
    pdf.entry(6, 1, pdf.offset(), 0);  // the section says generation 0
    pdf.raw("6 1 obj\n(six)\nendobj\n");
    pdf.objectStream(10, {{11, "(eleven)"}, {12, "(twelve)"}});
    pdf.objectStream(20, {{21, "(twenty-one)"}});
    pdf.entry(8, 2, 8, 0);  // held in object stream 8, that is, in itself
    pdf.object(9, "<< /Length 9 0 R >>\nstream\nabc\nendstream");
    pdf.startxref(pdf.xrefStream(30, "/Root 1 0 R"));
    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    const struct {
        int number, generation;
        std::string expected;
    } cases[] = {
        {0, 0, null}, {3, 0, "three"},   {3, 1, null},  {5, 0, null},          {4, 0, "spread"},
        {6, 1, null}, {11, 0, "eleven"}, {11, 1, null}, {21, 0, "twenty-one"}, {12, 0, "twelve"},  // streams 10, 20, 10
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, fetched(xref, c.number, c.generation)) << c.number;
    for (const auto& [number, text] : {std::pair{11, "(eleven)\n"}, {21, "(twenty-one)"}, {12, "(twelve)"}}) {
        int32_t length = 0;
        const uint8_t* raw = xref.getRawObject(number, 0, length);
        ASSERT_NE(nullptr, raw) << number;
        EXPECT_EQ(text, std::string(raw, raw + length));
    }
    EXPECT_EQ(message::corrupted, failureOfFetch(xref, int(xref.getEntries().numberBound())));
    EXPECT_EQ(message::corrupted, failureOfFetch(xref, -1));
    // Reference loops, through an object stream or a stream's Length, are damage.
    EXPECT_EQ(message::damaged, failureOfFetch(xref, 8));
    EXPECT_EQ(message::damaged, failureOfFetch(xref, 9));
}

// Object stream 1 looked up in both forms.
TEST(ObjectStream, HeaderPairsLocateTheObjects) {
    const std::string example = "10 0 11 6 12 15(ten) <</A 1>> 7";  // First 15, 31 bytes
    const struct {
        std::string entries, data;
        int index, number;
        std::string parsed;       // empty: not checked
        int rawStart, rawLength;  // rawStart -1: no text
    } cases[] = {
        {"/N 3 /First 15", example, 0, 10, "ten", 15, 6},
        {"/N 3 /First 15", example, 1, 11, "kind 7", 21, 9},
        {"/N 3 /First 15", example, 2, 12, "7", 30, 1},
        {"/N 3 /First 15", example, 1, 12, "7", 30, 1},  // a wrong index: found by its number
        {"/N 3 /First 15", example, 3, 13, null, -1, 0},
        {"/N 1 /First 5", "20 3 99 (x)", 0, 20, "x", 8, 3},
        {"/N 2 /First 8", "2 0 3 8 <</A 1>>5", 0, 2, "kind 7", 8, 8},
        {"/N 2 /First 8", "2 0 3 8 <</A 1>>5", 1, 3, "5", 16, 1},
        {"/N 1", "4 0 (x)", 0, 4, null, -1, 0},
        {"/N -1 /First 4", "4 0 (x)", 0, 4, null, -1, 0},
        {"/N 9 /First 4", "4 0 (x)", 0, 4, null, -1, 0},  // more objects than the file has
        {"/N 2 /First 8", "4 0 /Five 0 (x) (y)", 0, 4, null, -1, 0},
        {"/N 2 /First 9", "4 0 5 99 (x) (y)", 1, 5, "", -1, 0},
        {"/N 2 /First 9", "4 0 5 99 (x) (y)", 0, 4, "", -1, 0},
        {"/N 1 /First 5", "4 -9 (x)", 0, 4, "", -1, 0},
        {"/N 2 /First 8", "4 5 5 0 (x) (y)", 0, 4, "", -1, 0},
        // An "R" after the header's integers makes a reference of the last two, or
        // of the last and the one after it: the header is unusable.
        {"/N 2 /First 10", "4 0 5 3 R (x)(y)", 0, 4, null, -1, 0},
        {"/N 2 /First 12", "4 0 5 3 9 R (x)(y)", 1, 5, null, -1, 0},
        {"/N 2 /First 10", "4 0 5 3 9 (x)(y)", 1, 5, "y", 13, 3},
        {"/N 2 /First 11", "4 0 5 3 %R\n(x)(y)", 0, 4, "x", 11, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries + " " + c.data + " #" + std::to_string(c.index));
        PdfBuilder pdf;
        pdf.stream(1, "/Type /ObjStm " + c.entries, c.data);
        pdf.object(2, "<< /Type /Catalog >>");
        pdf.startxref(pdf.table("/Root 2 0 R"));
        CPdfDocument document;
        CPdfXRef& xref = pdf.open(document);
        const auto decoded = std::make_shared<const DecodedObjectStream>(&xref, 1);
        const CPdfObjectStream parsed(&xref, decoded);
        CPdfElement object;
        parsed.getObject(c.index, c.number, object);
        if (!c.parsed.empty()) {
            EXPECT_EQ(c.parsed, describe(object));
        }
        const CPdfRawObjectStream raw(decoded);
        int32_t length = -7;
        const uint8_t* text = raw.getObjectText(c.index, c.number, length);
        if (c.rawStart >= 0) {
            ASSERT_EQ(c.data.size(), decoded->data.size());
        }
        EXPECT_EQ(c.rawStart < 0 ? nullptr : decoded->data.data() + c.rawStart, text);
        EXPECT_EQ(c.rawStart < 0 ? -7 : c.rawLength, length);
    }
}
