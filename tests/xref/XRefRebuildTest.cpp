// Rebuilding a cross-reference by scanning the file, and when -repair does so.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PdfBuilder.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

const std::string catalogue = "<< /Type /Catalog /Pages 2 0 R >>";
const std::string pageTree = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
const std::string page = "<< /Type /Page /Parent 2 0 R >>";

// The catalogue, its page tree and its page as objects 1, 2 and 3.
void addPages(PdfBuilder& pdf) {
    pdf.object(1, catalogue);
    pdf.object(2, pageTree);
    pdf.object(3, page);
}

// The same with a classic table and startxref.
void addSoundFile(PdfBuilder& pdf, const std::string& trailerEntries = "/Root 1 0 R") {
    addPages(pdf);
    pdf.startxref(pdf.table(trailerEntries));
}

CPdfXRef& rebuilt(PdfBuilder& pdf, CPdfDocument& document) {
    CPdfXRef& xref = pdf.open(document, true);
    EXPECT_TRUE(xref.recovery().wasRebuilt());
    return xref;
}

XRefEntry entry(const CPdfXRef& xref, size_t number) { return xref.getEntries().at(static_cast<int64_t>(number)); }

}  // namespace

TEST(XRefRebuild, FindsEveryObjectOutsideStreamDataAndTheLastDefinitionWins) {
    PdfBuilder pdf;
    const uint32_t first = pdf.object(4, "(old)");
    addPages(pdf);
    const uint32_t fourAgain = pdf.object(4, "(new)", 2);
    // Data that looks like an object is passed over by a right Length. Without one,
    // the data runs to the nearest "endstream" before the next header: no stream
    // swallows a header, so one in such data counts.
    const std::string fake = "\n9 0 obj (fake) endobj\n";
    pdf.object(5, "<< /Length " + std::to_string(fake.size()) + " >>\nstream\n" + fake + "\nendstream");
    const std::string inside = "\n10 0 obj (inside) endobj\n";
    pdf.object(6, "<< /Length 3 >>\nstream\n" + inside + "\nendstream");
    pdf.object(7, "<< /Length 3 >>\nstream\nshort data\nendstream");
    pdf.raw("trailer\n<< /Root 1 0 R >>\n");
    CPdfDocument document;
    CPdfXRef& xref = rebuilt(pdf, document);
    ASSERT_EQ(11u, xref.getEntries().numberBound());
    EXPECT_EQ(XRefEntryType::Free, entry(xref, 9).type) << "no object 9 in the data of a right Length";
    EXPECT_EQ(XRefEntryType::Uncompressed, entry(xref, 10).type);
    EXPECT_EQ(XRefEntryType::Uncompressed, entry(xref, 7).type) << "found after a stream whose Length is short";
    const XRefEntry four = entry(xref, 4);
    EXPECT_EQ(XRefEntryType::Uncompressed, four.type);
    EXPECT_EQ(int32_t(fourAgain), four.offset());
    EXPECT_EQ(2, four.gen);
    EXPECT_EQ("new", fetched(xref, 4, 2));
    EXPECT_EQ(XRefEntryType::Free, entry(xref, 0).type);
    EXPECT_EQ(first, xref.recovery().firstObjectOffset()) << "the head ends at the first object found, replaced or not";
    EXPECT_EQ(1, xref.rootNum());
}

TEST(XRefRebuild, ObjectsOfObjectStreamsCountUnlessDefinedAgainLater) {
    PdfBuilder pdf;
    addPages(pdf);
    pdf.object(5, "(direct five)");
    pdf.objectStream(10, {{5, "(five in stream)"}, {6, "(six in stream)"}, {11, "(eleven)"}});
    pdf.object(6, "(direct six)");
    pdf.raw("trailer\n<< /Root 1 0 R >>\n");
    CPdfDocument document;
    CPdfXRef& xref = rebuilt(pdf, document);
    EXPECT_EQ("five in stream", fetched(xref, 5));
    EXPECT_EQ(XRefEntryType::Compressed, entry(xref, 5).type);
    EXPECT_EQ("direct six", fetched(xref, 6));
    EXPECT_EQ(XRefEntryType::Compressed, entry(xref, 11).type);
    EXPECT_EQ(10, entry(xref, 11).offset());
    EXPECT_EQ(2, entry(xref, 11).gen) << "the index in the stream";
    EXPECT_EQ("eleven", fetched(xref, 11));
}

TEST(XRefRebuild, HeadersAreWholeTokens) {
    PdfBuilder pdf;
    addPages(pdf);
    pdf.raw("x12 0 obj (a) endobj\n1.5 0 obj\n+13 0 obj\n14 0 objx\n15 0obj\n(16 0 obj)\n");
    pdf.raw("17\r\n0 \t obj\n(seventeen)\nendobj\n");
    pdf.raw("8388000 0 obj (far) endobj\n");
    pdf.raw("trailer<</Root 1 0 R>>");
    CPdfDocument document;
    CPdfXRef& xref = rebuilt(pdf, document);
    for (int number : {12, 13, 14, 15}) EXPECT_EQ(XRefEntryType::Free, entry(xref, number).type) << number;
    EXPECT_EQ("seventeen", fetched(xref, 17));
    EXPECT_EQ("far", fetched(xref, 8388000)) << "a number far beyond the others is an object all the same";
    EXPECT_EQ(8388001, xref.getEntries().numberBound());
}

// Blocks of 1 MiB are read one after another: a header or a dictionary that lies
// across their border is found whole.
TEST(XRefRebuild, FindsHeadersAndDictionariesAcrossBlockBorders) {
    const std::string stream = "<< /Length 4 /Type /XRef /Root 1 0 R >>\nstream\n9 0 \nendstream";
    for (int shift = -70; shift <= 10; shift += 4) {
        PdfBuilder pdf;
        addPages(pdf);
        const size_t border = size_t(1) << 20;
        const size_t padding = border + size_t(shift) - pdf.bytes().size();
        std::string comment(padding, 'p');
        comment.front() = '%';
        comment.back() = '\n';
        pdf.raw(comment);
        const uint32_t at = pdf.object(123456, stream);
        CPdfDocument document;
        CPdfXRef& xref = rebuilt(pdf, document);
        EXPECT_EQ(int32_t(at), entry(xref, 123456).offset()) << "shift " << shift;
        EXPECT_EQ(1, xref.rootNum()) << "the stream's dictionary is the trailer, shift " << shift;
        EXPECT_EQ(123457u, xref.getEntries().numberBound()) << "no object 9 in its data, shift " << shift;
    }
}

TEST(XRefRebuild, TheTrailerIsTheLastThatLeadsToAPageTree) {
    {
        PdfBuilder pdf;
        addPages(pdf);
        pdf.object(12, "(info)");
        pdf.raw("trailer\n<< /Root 1 0 R /Info 12 0 R >>\n");
        pdf.raw("trailer\n<< /Root 3 0 R /Info 3 0 R >>\n");  // a page is no catalogue
        pdf.raw("trailer\n<< /Root 20 0 R >>\n");             // a catalogue that is not there
        CPdfDocument document;
        CPdfXRef& xref = rebuilt(pdf, document);
        EXPECT_EQ(1, xref.rootNum());
        EXPECT_EQ(12, xref.infoNum());
    }
    {
        // A cross-reference stream's dictionary is a trailer too.
        PdfBuilder pdf;
        addPages(pdf);
        pdf.object(9, "<< /Type /Catalog /Pages 2 0 R >>");
        pdf.raw("trailer\n<< /Root 1 0 R >>\n");
        pdf.xrefStream(10, "/Root 9 0 R");
        CPdfDocument document;
        EXPECT_EQ(9, rebuilt(pdf, document).rootNum());
    }
}

TEST(XRefRebuild, WithoutATrailerTheLastCatalogueThatLeadsToAPageTree) {
    PdfBuilder pdf;
    pdf.object(8, catalogue);
    addPages(pdf);
    pdf.object(9, "<< /Type /Catalog /Pages 30 0 R >>");
    pdf.object(10, "<< /Pages 2 0 R >>");  // no Type: no catalogue
    pdf.object(12, "(info)");
    pdf.raw("trailer\n<< /Root 40 0 R /Info 12 0 R >>\n");
    CPdfDocument document;
    CPdfXRef& xref = rebuilt(pdf, document);
    EXPECT_EQ(1, xref.rootNum());
    EXPECT_EQ(12, xref.infoNum()) << "the Info of the newest trailer that names one";

    // A catalogue that only an object stream holds.
    PdfBuilder packed;
    packed.object(2, pageTree);
    packed.object(3, page);
    packed.objectStream(5, {{1, catalogue}, {4, "(four)"}});
    CPdfDocument packedDocument;
    EXPECT_EQ(1, rebuilt(packed, packedDocument).rootNum());
}

TEST(XRefRebuild, RefusesEncryptedFilesAndFilesWithNothingToRecover) {
    PdfBuilder encrypted;
    addPages(encrypted);
    encrypted.raw("trailer\n<< /Root 1 0 R /Encrypt 5 0 R >>\n");
    EXPECT_EQ(message::encrypted, encrypted.openFailure(true));

    PdfBuilder encryptedWithoutRoot;
    addPages(encryptedWithoutRoot);
    encryptedWithoutRoot.raw("trailer\n<< /Encrypt 5 0 R >>\n");
    EXPECT_EQ(message::encrypted, encryptedWithoutRoot.openFailure(true)) << "a made trailer is refused too";

    PdfBuilder empty;
    empty.raw("nothing here\n");
    EXPECT_EQ(message::damaged, empty.openFailure(true));

    PdfBuilder noPageTree;
    noPageTree.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    noPageTree.object(2, "<< /Type /Pages /Count 0 >>");
    noPageTree.raw("trailer\n<< /Root 1 0 R >>\n");
    EXPECT_EQ(message::damaged, noPageTree.openFailure(true));
}

// -repair reads a sound cross-reference as it is; junk after table entries is passed
// over; anything else that cannot be used is rebuilt.
TEST(XRefRepairOpen, RebuildsOnlyWhatCannotBeUsed) {
    {
        PdfBuilder pdf;
        addSoundFile(pdf);
        CPdfDocument plain, repairing;
        const XRefEntryTable& read = pdf.open(plain).getEntries();
        CPdfXRef& xref = pdf.open(repairing, true);
        EXPECT_FALSE(xref.recovery().wasRebuilt());
        EXPECT_FALSE(xref.recovery().readTablesLeniently());
        ASSERT_EQ(read.numberBound(), xref.getEntries().numberBound());
        for (int64_t i = 0; i < read.numberBound(); ++i)
            EXPECT_EQ(read.at(i).offset(), xref.getEntries().at(i).offset()) << i;
    }
    {
        PdfBuilder pdf;
        const uint32_t offsets[] = {pdf.object(1, catalogue), pdf.object(2, pageTree), pdf.object(3, page)};
        const uint32_t at = pdf.offset();
        pdf.raw("xref\n0 4\n0000000000 65535 f \n");
        for (const uint32_t offset : offsets) {
            char line[40];
            std::snprintf(line, sizeof line, "%010u 00000 n junk\n", offset);
            pdf.raw(line);
        }
        pdf.raw("trailer\n<< /Root 1 0 R >>\n").startxref(at);
        EXPECT_EQ(message::xrefTableUnparsed, pdf.openFailure());
        CPdfDocument document;
        CPdfXRef& xref = pdf.open(document, true);
        EXPECT_FALSE(xref.recovery().wasRebuilt());
        EXPECT_TRUE(xref.recovery().readTablesLeniently());
        EXPECT_EQ("kind 7", fetched(xref, 1));
    }
    const struct {
        const char* damage;
        std::function<void(PdfBuilder&)> make;
    } damaged[] = {
        {"an entry at another object",
         [](PdfBuilder& pdf) {
             addPages(pdf);
             pdf.entry(3, 1, pdf.object(4, "(four)"), 0);
             pdf.startxref(pdf.table("/Root 1 0 R"));
         }},
        {"an entry under another generation",
         [](PdfBuilder& pdf) {
             addPages(pdf);
             pdf.entry(3, 1, pdf.object(3, page), 1);
             pdf.startxref(pdf.table("/Root 1 0 R"));
         }},
        {"an entry past the end",
         [](PdfBuilder& pdf) {
             addPages(pdf);
             pdf.entry(4, 1, 1u << 30, 0);
             pdf.startxref(pdf.table("/Root 1 0 R"));
         }},
        {"a Root that leads to no page tree", [](PdfBuilder& pdf) { addSoundFile(pdf, "/Root 3 0 R"); }},
        {"a startxref into data",
         [](PdfBuilder& pdf) {
             addPages(pdf);
             pdf.table("/Root 1 0 R");
             pdf.startxref(5);
         }},
    };
    for (const auto& c : damaged) {
        PdfBuilder pdf;
        c.make(pdf);
        CPdfDocument document;
        CPdfXRef& xref = pdf.open(document, true);
        EXPECT_TRUE(xref.recovery().wasRebuilt()) << c.damage;
        EXPECT_EQ(1, xref.rootNum()) << c.damage;
        EXPECT_EQ("kind 7", fetched(xref, 3)) << c.damage;
    }
}
