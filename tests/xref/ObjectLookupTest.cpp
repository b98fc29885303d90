#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfObjectStream.h"
#include "xref/PdfXRef.h"

namespace {

std::string describe(const CPdfElement& object) {
    if (object.is(ElementType::String)) return object.text();
    if (object.is(ElementType::Integer)) return std::to_string(object.integer());
    return "kind " + std::to_string(int(object.type()));
}

const std::string null = "kind 5";

}  // namespace

TEST(ObjectLookup, FindsObjectsOnlyUnderTheirNumberAndGeneration) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    const uint32_t three = pdf.object(3, "(three)");
    pdf.entry(5, 1, three, 0);  // points at the header of object 3
    pdf.entry(4, 1, pdf.offset(), 0);
    pdf.raw("4\n0\n\nobj\n(spread)\nendobj\n");
    pdf.objectStream(10, {{11, "(eleven)"}, {12, "(twelve)"}});
    pdf.objectStream(20, {{21, "(twenty-one)"}});
    pdf.startxref(pdf.xrefStream(30, "/Root 1 0 R"));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    CPdfXRef& xref = *document.xref();
    const struct {
        int number, generation;
        std::string expected;
    } cases[] = {
        {0, 0, null}, {3, 0, "three"}, {3, 1, null}, {5, 0, null}, {4, 0, "spread"},
        // Streams 10, 20, 10 in turn: each change of stream replaces the cached one.
        {11, 0, "eleven"}, {11, 1, null}, {21, 0, "twenty-one"}, {12, 0, "twelve"},
    };
    for (const auto& c : cases) {
        CPdfElement object;
        xref.fetchObject(c.number, c.generation, object);
        EXPECT_EQ(c.expected, describe(object)) << c.number << " " << c.generation;
    }
    for (const auto& [number, text] : {std::pair{11, "(eleven)\n"}, {21, "(twenty-one)"}, {12, "(twelve)"}}) {
        int32_t length = 0;
        const uint8_t* raw = xref.getRawObject(number, 0, length);
        ASSERT_NE(nullptr, raw) << number;
        EXPECT_EQ(text, std::string(reinterpret_cast<const char*>(raw), size_t(length)));
    }
    const int32_t count = int32_t(xref.getEntries().size());
    for (const int number : {count, -1}) {
        CPdfElement object;
        try {
            xref.fetchObject(number, 0, object);
            ADD_FAILURE() << "no exception for " << number;
        } catch (const CPdfException& failure) {
            EXPECT_STREQ("Corrupted PDF file", failure.messageText());
        }
    }
}

// Object stream 1 with `entries` and the decoded `data`, looked up in both forms.
TEST(ObjectStream, HeaderPairsLocateTheObjects) {
    const std::string example = "10 0 11 6 12 15(ten) <</A 1>> 7";  // First 15, 31 bytes
    const struct {
        std::string entries, data;
        int index, number;
        std::string parsed;
        int rawStart, rawLength;  // rawStart -1: no text
    } cases[] = {
        {"/N 3 /First 15", example, 0, 10, "ten", 15, 6},
        {"/N 3 /First 15", example, 1, 11, "kind 7", 21, 9},
        {"/N 3 /First 15", example, 2, 12, "7", 30, 1},
        {"/N 3 /First 15", example, 1, 12, null, -1, 0},
        {"/N 3 /First 15", example, 3, 13, null, -1, 0},
        {"/N 1 /First 5", "20 3    (x) ", 0, 20, "x", 8, 4},
        {"/N 2 /First 8", "2 0 3 8 <</A 1>>5", 0, 2, "kind 7", 8, 8},
        {"/N 2 /First 8", "2 0 3 8 <</A 1>>5", 1, 3, "5", 16, 1},
        {"/N 1", "4 0 (x)", 0, 4, null, -1, 0},
        {"/N -1 /First 4", "4 0 (x)", 0, 4, null, -1, 0},
        {"/N 9 /First 4", "4 0 (x)", 0, 4, null, -1, 0},
        {"/N 2 /First 9", "4 0 5 99 (x) (y)", 1, 5, "", -1, 0},
        {"/N 2 /First 9", "4 0 5 99 (x) (y)", 0, 4, "", -1, 0},
        {"/N 1 /First 5", "4 -9 (x)", 0, 4, "", -1, 0},
        {"/N 2 /First 8", "4 5 5 0 (x) (y)", 0, 4, "", -1, 0},
        {"/N 2 /First 8", "4 0 /Five 0 (x) (y)", 0, 4, null, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries + " " + c.data + " #" + std::to_string(c.index));
        PdfBuilder pdf;
        pdf.stream(1, "/Type /ObjStm " + c.entries, c.data);
        pdf.object(2, "<< /Type /Catalog >>");
        pdf.startxref(pdf.table("/Root 2 0 R"));
        CPdfDocument document;
        document.open(pdf.write().c_str());
        const CPdfObjectStream parsed(document.xref(), 1);
        CPdfElement object;
        parsed.getObject(c.index, c.number, object);
        if (!c.parsed.empty()) {
            EXPECT_EQ(c.parsed, describe(object));
        }
        const CPdfRawObjectStream raw(document.xref(), 1);
        ASSERT_EQ(c.data.size(), raw.data.size());
        int32_t length = -7;
        const uint8_t* text = raw.getObjectText(c.index, c.number, length);
        if (c.rawStart < 0) {
            EXPECT_EQ(nullptr, text);
            EXPECT_EQ(-7, length);
        } else {
            EXPECT_EQ(raw.data.data() + c.rawStart, text);
            EXPECT_EQ(c.rawLength, length);
        }
    }
}

TEST(ObjectLookup, ReferenceLoopsEndAsDamage) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(3, "<< /Length 3 0 R >>\nstream\nabc\nendstream");
    pdf.entry(4, 2, 4, 0);  // held in object stream 4, that is, in itself
    pdf.startxref(pdf.xrefStream(5, "/Root 1 0 R"));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    for (const int number : {3, 4}) {
        CPdfElement object;
        try {
            document.xref()->fetchObject(number, 0, object);
            ADD_FAILURE() << "no exception for " << number;
        } catch (const CPdfException& failure) {
            EXPECT_STREQ("PDF file was damaged", failure.messageText());
        }
    }
}
