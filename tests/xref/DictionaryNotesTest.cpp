// What lookups note of the dictionaries they read whole: where an object in the
// file ends and where its dictionary opens, and where a dictionary in an object
// stream opens. A note of one kind is never taken for the other, and a rebuilt
// table forgets them all.
#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

struct Noted {
    PdfBuilder pdf;
    CPdfDocument document;
    CPdfXRef* xref = nullptr;
    uint32_t pageStart = 0;

    Noted() {
        pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
        pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        pageStart = pdf.object(3, "<< /Type /Page /Parent 2 0 R >>");
        pdf.raw("%" + std::string(70000, '-') + "\n");  // room past the page for any length a note may give
        pdf.startxref(pdf.table("/Size 4 /Root 1 0 R"));
        xref = &pdf.open(document);
    }
    ObjectExtent locatePage() { return xref->extents().locate(3, *xref->getEntries().find(3)); }
};

}  // namespace

TEST(DictionaryNotes, AFileNoteGivesTheEndAndTheOpening) {
    Noted noted;
    const ObjectExtent unnoted = noted.locatePage();
    ASSERT_TRUE(unnoted.readable);
    EXPECT_EQ(0u, unnoted.dictionaryOpening);
    noted.xref->extents().noteDictionary(3, 10, static_cast<uint32_t>(unnoted.length()));
    const ObjectExtent extent = noted.locatePage();
    EXPECT_EQ(unnoted.end, extent.end);
    EXPECT_EQ(10u, extent.dictionaryOpening);
    EXPECT_EQ(0u, noted.xref->extents().memberDictionary(3).opening) << "a file note is no member's";
}

TEST(DictionaryNotes, AMemberNoteIsNeverTakenForTheFilesText) {
    Noted noted;
    const ObjectExtent unnoted = noted.locatePage();
    for (const bool alone : {false, true}) {
        noted.xref->extents().noteMemberDictionary(3, 2, alone);
        const ObjectExtents::MemberDictionary member = noted.xref->extents().memberDictionary(3);
        EXPECT_EQ(2u, member.opening);
        EXPECT_EQ(alone, member.alone);
        const ObjectExtent extent = noted.locatePage();
        EXPECT_EQ(unnoted.end, extent.end);
        EXPECT_EQ(0u, extent.dictionaryOpening);
    }
}

TEST(DictionaryNotes, NotesThatCannotHoldAreNotKept) {
    Noted noted;
    ObjectExtents& extents = noted.xref->extents();
    extents.noteDictionary(3, 40, 40);          // opens at its end
    extents.noteDictionary(3, 5, 70000);        // longer than a lookup reads
    extents.noteDictionary(3, 5, 65534);        // a length that stands for a member's note
    extents.noteMemberDictionary(3, 0, true);   // opens nowhere
    extents.noteMemberDictionary(-1, 5, true);  // no object
    EXPECT_EQ(0u, noted.locatePage().dictionaryOpening);
    EXPECT_EQ(0u, extents.memberDictionary(3).opening);
    extents.noteMemberDictionary(3, 7, true);
    extents.forget();
    EXPECT_EQ(0u, extents.memberDictionary(3).opening);
    EXPECT_FALSE(extents.memberDictionary(3).alone);
}
