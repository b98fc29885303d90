#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

using namespace std::string_literals;

namespace {

const std::string catalog = "<< /Type /Catalog >>";

std::string fetchedText(CPdfXRef& xref, int number, int generation) {
    CPdfElement object;
    xref.fetchObject(number, generation, object);
    return object.is(ElementType::String) ? object.text() : "(not a string)";
}

// A file with a catalog whose only section is `section`, written as it stands.
std::string fileWithSection(PdfBuilder& pdf, const std::string& section) {
    pdf.object(1, catalog);
    const uint32_t at = pdf.offset();
    pdf.raw(section).startxref(at);
    return pdf.write();
}

}  // namespace

TEST(XRefTable, PlainFileListsEveryObjectAtItsOffset) {
    PdfBuilder pdf;
    const uint32_t first = pdf.object(1, catalog);
    const uint32_t second = pdf.object(2, "(two)", 3);
    pdf.startxref(pdf.table("/Size 3 /Root 1 0 R"));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    const auto& entries = document.xref()->getEntries();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(XRefEntryType::Free, entries[0].type);
    EXPECT_EQ(65535, entries[0].gen);
    EXPECT_EQ(int32_t(first), entries[1].offset);
    EXPECT_EQ(int32_t(second), entries[2].offset);
    EXPECT_EQ(XRefEntryType::Uncompressed, entries[2].type);
    EXPECT_EQ("two", fetchedText(*document.xref(), 2, 3));
}

TEST(XRefTable, NewerSectionWinsForAnObjectBothList) {
    for (const bool newerIsFree : {false, true}) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        pdf.object(4, "(old)");
        const uint32_t older = pdf.table("/Size 5 /Root 1 0 R");
        pdf.startxref(older);
        if (newerIsFree) pdf.entry(4, 0, 0, 1);
        else pdf.object(4, "(new)");
        pdf.startxref(pdf.table("/Size 5 /Root 1 0 R /Prev " + std::to_string(older)));
        CPdfDocument document;
        document.open(pdf.write().c_str());
        const XRefEntry four = document.xref()->getEntries()[4];
        EXPECT_EQ(newerIsFree ? XRefEntryType::Free : XRefEntryType::Uncompressed, four.type);
        EXPECT_EQ(newerIsFree ? "(not a string)" : "new", fetchedText(*document.xref(), 4, 0));
    }
}

TEST(XRefTable, OffsetsCountFromTheHeaderAfterJunk) {
    PdfBuilder pdf(std::string(40, 'J'));
    pdf.object(1, "(one)");
    pdf.startxref(pdf.table("/Root 1 0 R"));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    EXPECT_EQ(40u, document.xref()->baseOffset());
    EXPECT_EQ("one", fetchedText(*document.xref(), 1, 0));
}

TEST(XRefTable, HeaderIsSoughtOnlyInTheFirstBytes) {
    for (const size_t junk : {1017u, 1018u}) {
        const bool found = junk == 1017;
        PdfBuilder pdf(std::string(junk, 'J'), !found);
        pdf.object(1, "(one)");
        pdf.startxref(pdf.table("/Root 1 0 R"));
        CPdfDocument document;
        document.open(pdf.write().c_str());
        EXPECT_EQ(found ? junk : 0u, document.xref()->baseOffset());
        EXPECT_EQ("one", fetchedText(*document.xref(), 1, 0));
    }
}

TEST(XRefTable, TailFindsTheLastUsableStartxref) {
    struct Case {
        std::string tail;  // after a table at offset `at`; %u stands for it
        std::string failure;
    } cases[] = {
        {"startxref\n1\n%%EOF\nstartxref\n%u\n%%EOF\n", ""},
        {"startxref\0%u\n%%EOF\n"s, ""},
        {"startxref\n0\n%%EOF\n", "PDF file was damaged"},
        {"startxref\n%%EOF\n", "PDF file was damaged"},
        {"%%EOF\n", "PDF file was damaged"},
    };
    for (const Case& c : cases) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        const uint32_t at = pdf.table("/Root 1 0 R");
        std::string tail = c.tail;
        if (const size_t mark = tail.find("%u"); mark != std::string::npos) tail.replace(mark, 2, std::to_string(at));
        pdf.raw(tail);
        EXPECT_EQ(c.failure, openFailure(pdf.write())) << tail;
    }
}

TEST(XRefTable, PrevChainBackToASectionAlreadyReadEnds) {
    PdfBuilder pdf;
    pdf.object(1, catalog);
    pdf.startxref(pdf.table("/Root 1 0 R /Prev " + std::to_string(pdf.offset())));
    EXPECT_EQ("", openFailure(pdf.write()));
}

TEST(XRefTable, SubsectionLeavesLowerNumbersUnset) {
    PdfBuilder pdf;
    const std::string path = fileWithSection(
        pdf, "xref\n3 2\n0000000015 00000 n \n0000000015 00000 n \ntrailer\n<< /Root 3 0 R >>\n");
    CPdfDocument document;
    document.open(path.c_str());
    const auto& entries = document.xref()->getEntries();
    ASSERT_EQ(5u, entries.size());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(entries[i].isUnset() && entries[i].type == XRefEntryType::Free) << i;
    EXPECT_EQ(XRefEntryType::Uncompressed, entries[4].type);
}

TEST(XRefTable, MalformedSectionsAreRefused) {
    const std::string table = "Couldn't parse an xref table";
    const std::string tail = "0000000000 65535 f \ntrailer\n<< /Root 1 0 R >>\n";
    const struct {
        std::string section, failure;
    } cases[] = {
        {"/Xref 0 1\n", "Couldn't parse an xref"},
        {"xref\n0 1\n0000000000 65535 F \ntrailer\n<< /Root 1 0 R >>\n", table},
        {"xref\n0 1\n0000000000 65535 N \ntrailer\n<< /Root 1 0 R >>\n", table},
        {"xref\n0 1\n0000000000 65535 free \ntrailer\n<< /Root 1 0 R >>\n", table},
        {"xref\n0 /One\n" + tail, table},
        {"xref\n0 1\n0000000000 65535 f \n1.5 1\n", table},
        {"xref\n0 1\n0000000000 65535 f \n", table},
        {"xref\n-1 1\n" + tail, table},
        {"xref\n2147483647 1\n" + tail, table},
        {"xref\n8388608 1\n" + tail, table},
        {"xref\n0 1\n0000000000 65535 f \ntrailer\n[ /Root 1 0 R ]\n", "Trailer dictionary is wrong type"},
        {"7 0 obj\n5\nendobj\n", "Couldn't parse an xref stream"},
        {"7 /Zero obj\n", "Couldn't parse an xref stream"},
        {"7 0 endobj\n", "Couldn't parse an xref stream"},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        EXPECT_EQ(c.failure, openFailure(fileWithSection(pdf, c.section))) << c.section;
    }
}

TEST(XRefTable, HighestObjectNumberFits) {
    PdfBuilder pdf;
    CPdfDocument document;
    document.open(fileWithSection(pdf, "xref\n8388607 1\n0000000015 00000 n \ntrailer\n<< /Root 1 0 R >>\n").c_str());
    EXPECT_EQ(size_t{CPdfXRef::maximumEntries}, document.xref()->getEntries().size());
}

TEST(DocumentOpen, TrailerReferencesDecideWhetherTheFileOpens) {
    const struct {
        std::string trailer, failure;
        int infoNum;
    } cases[] = {
        {"/Root 1 0 R /Info 2 0 R", "", 2},
        {"/Root 1 0 R /Info << /Title (t) >>", "", 0},
        {"/Root 1 0 R /Encrypt 2 0 R", "\nPDF file is encrypted", 0},
        {"/Root 1 0 R /Encrypt << /Filter /Standard >>", "", 0},
        {"/Root << /Type /Catalog >>", "PDF file was damaged", 0},
        {"/Info 2 0 R", "PDF file was damaged", 0},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        pdf.object(2, "<< >>");
        pdf.startxref(pdf.table(c.trailer));
        CPdfDocument document;
        try {
            document.open(pdf.write().c_str());
            EXPECT_EQ("", c.failure) << c.trailer;
            EXPECT_EQ(c.infoNum, document.xref()->infoNum) << c.trailer;
        } catch (const CPdfException& failure) {
            EXPECT_EQ(c.failure, failure.messageText()) << c.trailer;
            EXPECT_FALSE(document.isOpen);
        }
    }
}

TEST(DocumentOpen, OnlyTheNewestTrailerCounts) {
    PdfBuilder pdf;
    pdf.object(1, catalog);
    pdf.object(2, "<< >>");
    const uint32_t older = pdf.table("/Size 3 /Root 2 0 R /Info 2 0 R /Encrypt 2 0 R");
    pdf.object(1, catalog);
    pdf.startxref(pdf.table("/Size 2 /Root 1 0 R /Prev " + std::to_string(older)));
    CPdfDocument document;
    document.open(pdf.write().c_str());
    EXPECT_EQ(1, document.xref()->rootNum);
    EXPECT_EQ(0, document.xref()->infoNum);
    CPdfElement size;
    document.xref()->trailerDictionary().dictionary()->find("Size", size);
    EXPECT_EQ(2, size.integer());
}

TEST(DocumentOpen, FailedOpenLeavesTheDocumentReusable) {
    CPdfDocument document;
    EXPECT_EQ("Can't open file", openFailure("/nonexistent/folioturn.pdf"));
    PdfBuilder damaged;
    damaged.object(1, catalog);
    EXPECT_THROW(document.open(damaged.write().c_str()), CPdfException);
    EXPECT_FALSE(document.isOpen);
    EXPECT_EQ(nullptr, document.xref());
    PdfBuilder good;
    good.object(1, "(one)");
    good.startxref(good.table("/Root 1 0 R"));
    document.open(good.write().c_str());
    EXPECT_TRUE(document.isOpen);
    EXPECT_EQ("one", fetchedText(*document.xref(), 1, 0));
}
