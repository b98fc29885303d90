// Fetching an object under the generation its cross-reference entry gives.
#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "model/PdfException.h"
#include "xref/EntryFetch.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

TEST(EntryFetch, AnObjectInAnObjectStreamIsAskedForUnderGenerationZeroWhateverItsIndex) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    pdf.object(3, "(three)", 2);
    pdf.objectStream(10, {{11, "(eleven)"}, {12, "(twelve)"}});
    pdf.startxref(pdf.xrefStream(30, "/Root 1 0 R"));
    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    EXPECT_EQ(1, xref.getEntries()[12].gen) << "the entry holds the index in the stream";
    EXPECT_EQ((ObjectId{12, 0}), entryObjectId(xref, 12));
    EXPECT_EQ("twelve", describe(fetchAtEntryGeneration(xref, 12)));
    EXPECT_EQ((ObjectId{3, 2}), entryObjectId(xref, 3));
    EXPECT_EQ("three", describe(fetchAtEntryGeneration(xref, 3)));
    EXPECT_EQ((ObjectId{99, 0}), entryObjectId(xref, 99)) << "a number beyond the entries";
    EXPECT_THROW(fetchAtEntryGeneration(xref, 99), CPdfException) << "the lookup decides what it is";
}
