#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

using namespace std::string_literals;

namespace {

const std::string catalog = "<< /Type /Catalog >>";

// A file with a catalog whose only section is `section`, as it stands.
PdfBuilder& withSection(PdfBuilder& pdf, const std::string& section) {
    pdf.object(1, catalog);
    const uint32_t at = pdf.offset();
    return pdf.raw(section).startxref(at);
}

}  // namespace

TEST(XRefTable, NewestSectionWinsAlongThePrevChain) {
    for (const bool newerIsFree : {false, true}) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        const uint32_t old = pdf.object(4, "(old)", 2);
        const uint32_t older = pdf.table("/Root 1 0 R");
        pdf.startxref(older);
        if (newerIsFree) pdf.entry(4, 0, 0, 3);
        else pdf.object(4, "(new)");
        pdf.startxref(pdf.table("/Root 1 0 R /Prev " + std::to_string(older)));
        CPdfDocument document;
        const XRefEntry four = pdf.open(document).getEntries().at(4);
        EXPECT_EQ(newerIsFree ? XRefEntryType::Free : XRefEntryType::Uncompressed, four.type);
        EXPECT_NE(int32_t(old), four.offset());
        EXPECT_EQ(newerIsFree ? 3 : 0, four.gen);
        EXPECT_EQ(newerIsFree ? "kind 5" : "new", fetched(*document.xref(), 4, 0));
    }
}

TEST(XRefTable, OffsetsCountFromAHeaderInTheFirstBytes) {
    const struct {
        size_t junk;
        bool offsetsFromFileStart;
        uint32_t base;
    } cases[] = {{0, false, 0}, {40, false, 40}, {1017, false, 1017}, {1018, true, 0}};
    for (const auto& c : cases) {
        PdfBuilder pdf(std::string(c.junk, 'J'), c.offsetsFromFileStart);
        pdf.object(1, "(one)");
        pdf.startxref(pdf.table("/Root 1 0 R"));
        CPdfDocument document;
        EXPECT_EQ("one", fetched(pdf.open(document), 1));
        EXPECT_EQ(c.base, document.xref()->baseOffset());
    }
}

TEST(XRefTable, TailNamesTheNewestSection) {
    const struct {
        std::string tail;  // %u stands for the section's offset
        std::string failure;
    } cases[] = {
        {"startxref\n1\n%%EOF\nstartxref\n%u\n%%EOF\n", ""},
        {"startxref\0%u\n%%EOF\n"s, ""},
        {"startxref\n0\n%%EOF\n", message::damaged},
        {"startxref\n%%EOF\n", message::damaged},
        {"%%EOF\n", message::damaged},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        std::string tail = c.tail;
        const std::string at = std::to_string(pdf.table("/Root 1 0 R"));
        if (const size_t mark = tail.find("%u"); mark != std::string::npos) tail.replace(mark, 2, at);
        EXPECT_EQ(c.failure, pdf.raw(tail).openFailure()) << tail;
    }
}

TEST(XRefTable, PrevBackToASectionAlreadyReadEndsTheChain) {
    PdfBuilder pdf;
    pdf.object(1, catalog);
    pdf.startxref(pdf.table("/Root 1 0 R /Prev " + std::to_string(pdf.offset())));
    EXPECT_EQ("", pdf.openFailure());
}

TEST(XRefTable, SubsectionSetsOnlyItsOwnEntries) {
    for (const auto& [first, size] : {std::pair{3, 5u}, {1000, 1002u}}) {
        PdfBuilder pdf;
        const std::string entries = "0000000015 00000 n \n0000000015 00002 n \n";
        withSection(pdf, "xref\n" + std::to_string(first) + " 2\n" + entries + "trailer\n<< /Root 1 0 R >>\n");
        CPdfDocument document;
        const auto& read = pdf.open(document).getEntries();
        ASSERT_EQ(size, read.numberBound());
        for (const int i : {0, first - 1}) EXPECT_TRUE(read.at(i).isUnset() && read.at(i).type == XRefEntryType::Free);
        EXPECT_TRUE(read.at(first + 1).type == XRefEntryType::Uncompressed && read.at(first + 1).gen == 2);
    }
}

TEST(XRefTable, MalformedSectionsAreRefused) {
    const std::string table = message::xrefTableUnparsed, trailer = "trailer\n<< /Root 1 0 R >>\n";
    const struct {
        std::string section, failure;
    } cases[] = {
        {"/Xref 0 1\n", message::xrefUnparsed},
        {"xref\n0 1\n0000000000 65535 F \n" + trailer, table},
        {"xref\n0 1\n0000000000 65535 N \n" + trailer, table},
        {"xref\n0 1\n0000000000 65535 free \n" + trailer, table},
        {"xref\n0 1\n0000000000 /Max f \n" + trailer, table},
        {"xref\n0 /One\n" + trailer, table},
        {"xref\n0 1\n0000000000 65535 f \n1.5 1\n" + trailer, table},
        {"xref\n0 1\n0000000000 65535 f \n", table},
        {"xref\n-1 1\n0000000000 65535 f \n" + trailer, table},
        {"xref\n2147483647 1\n0000000000 65535 f \n" + trailer, table},
        {"xref\n2147483647 1\n0000000000 65535 f \n" + trailer, table},
        {"xref\n0 1\n0000000000 65535 f \ntrailer\n[ /Root 1 0 R ]\n", message::trailerWrongType},
        {"7 0 obj\n5\nendobj\n", message::xrefStreamUnparsed},
        {"7 /Zero obj\n", message::xrefStreamUnparsed},
        {"7 0 endobj\n", message::xrefStreamUnparsed},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        EXPECT_EQ(c.failure, withSection(pdf, c.section).openFailure()) << c.section;
    }
}

TEST(DocumentOpen, NewestTrailerDecidesWhetherTheFileOpens) {
    const struct {
        std::string trailer, failure;
        int infoNum;
    } cases[] = {
        {"/Root 1 0 R /Info 2 0 R", "", 2},
        {"/Root 1 0 R /Info << /Title (t) >>", "", 0},
        {"/Root 1 0 R /Encrypt 2 0 R", message::encrypted, 0},
        {"/Root 1 0 R /Encrypt << /Filter /Standard >>", message::encrypted, 0},  // held in the trailer
        {"/Root 1 0 R /Encrypt 7", "", 0},
        {"/Root << /Type /Catalog >>", message::damaged, 0},
        {"/Info 2 0 R", message::damaged, 0},
    };
    for (const auto& c : cases) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        pdf.object(2, "<< >>");
        // An older trailer's entries play no part.
        const uint32_t older = pdf.table("/Root 2 0 R /Info 2 0 R /Encrypt 2 0 R");
        pdf.startxref(pdf.table(c.trailer + " /Prev " + std::to_string(older)));
        CPdfDocument document;
        try {
            EXPECT_EQ(1, pdf.open(document).rootNum()) << c.trailer;
            EXPECT_EQ("", c.failure);
            EXPECT_EQ(c.infoNum, document.xref()->infoNum()) << c.trailer;
        } catch (const CPdfException& failure) {
            EXPECT_EQ(c.failure, failure.messageText()) << c.trailer;
            EXPECT_FALSE(document.isOpen);
        }
    }
}

TEST(DocumentOpen, FailedOpenLeavesTheDocumentReusable) {
    CPdfDocument document;
    try {
        document.open("/nonexistent/folioturn.pdf");
        ADD_FAILURE() << "opened a file that does not exist";
    } catch (const CPdfException& failure) {
        EXPECT_STREQ(message::cantOpenFile, failure.messageText());
    }
    PdfBuilder damaged, good;
    damaged.object(1, catalog);
    EXPECT_THROW(damaged.open(document), CPdfException);
    EXPECT_FALSE(document.isOpen);
    EXPECT_EQ(nullptr, document.xref());
    good.object(1, "(one)");
    good.startxref(good.table("/Size 2 /Root 1 0 R"));
    EXPECT_EQ("one", fetched(good.open(document), 1));
    EXPECT_TRUE(document.isOpen);
    CPdfElement size;
    document.xref()->trailerDictionary().dictionary()->find("Size", size);
    EXPECT_EQ(2, size.integer());
}

// Producers number objects sparsely: a small file may list objects numbered far
// beyond its size, up to the last number a signed 32-bit value and the output's
// table can hold.
TEST(XRefTable, FarNumbersAreObjectsLikeAnyOther) {
    for (const int far : {8388607, 99999991, 2147483646}) {
        PdfBuilder pdf;
        pdf.object(1, catalog);
        pdf.object(far, "(far)");
        pdf.startxref(pdf.table("/Root 1 0 R"));
        CPdfDocument document;
        CPdfXRef& xref = pdf.open(document);
        EXPECT_EQ(int64_t{far} + 1, xref.getEntries().numberBound());
        EXPECT_EQ("far", fetched(xref, far)) << far;
        EXPECT_TRUE(xref.getEntries().at(far - 1).isUnset());
        EXPECT_FALSE(xref.getEntries().fitsOneTable()) << "a table from 0 would be far larger than the file";
    }
}

// A document opened over the caller's handle reads the file that handle holds,
// whatever stands under its name by then, and leaves the handle open.
TEST(DocumentOpen, OverAHandleReadsThatFileAndKeepsItOpen) {
    PdfBuilder first, second;
    first.object(1, "(first)");
    first.startxref(first.table("/Size 2 /Root 1 0 R"));
    second.object(1, "(second)");
    second.startxref(second.table("/Size 2 /Root 1 0 R"));
    const std::string path = first.write();
    FILE* handle = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, handle);
    ASSERT_EQ(0, std::rename(second.write().c_str(), path.c_str()));
    {
        CPdfDocument document;
        document.open(handle);
        EXPECT_EQ("first", fetched(*document.xref(), 1));
    }
    EXPECT_EQ(0, std::fseek(handle, 0, SEEK_SET));  // still open after the document closed
    EXPECT_EQ('%', std::fgetc(handle));
    std::fclose(handle);
}
