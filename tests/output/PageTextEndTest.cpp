#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "WalkedTree.h"
#include "xref/PdfDocument.h"
#include "rawtext/RawObject.h"
#include "xref/PdfXRef.h"

namespace {

struct Page {
    int number;
    std::string text;  // the object's whole text in the file
    bool endSeen;      // the walk sees its "endobj" right after its dictionary
    int generation = 0;
};

}  // namespace

// The walk notes, in the cross-reference, where a page's text ends when it read
// the "endobj" right after the page's dictionary; a text read with that note is
// exactly what a read of the same file without it gives.
TEST(PageTextEnd, TheWalkNotesTheEndThatTheLexerFinds) {
    const std::string manyKids = [] {
        std::string refs;
        for (int i = 0; i < 80; ++i) refs += "2 0 R ";
        return refs;
    }();
    const std::vector<Page> pages = {
        {3, "3 0 obj<</Type/Page/Parent 2 0 R>>endobj\n", true},
        {4, "4 0 obj\n<< /Type /Page >> % a comment\nendobj\r\n", true},
        {5, "5 0 obj << /Type /Page /Annots [" + manyKids + "] >>\nendobj\n", true},             // past the first read
        {6, "6 0 obj << /Type /Page /Big (" + std::string(9000, 'x') + ") >> endobj\n", false},  // for the parser
        {7, "7 0 obj << /Type /Page >>endobj", false},  // the next object follows at once: "endobj8" is one word
        {8, "8 0 obj << /Type /Page >> endobj\n", true},
        {9, "9 0 obj << /Type /Page >> 42 endobj\n", false},  // something else after the dictionary
        {10, "10 2 obj << /Type /Page >>\nendobj\n", true, 2},
    };
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 10 2 R] /Count 8 >>");
    for (const Page& page : pages) {
        const uint32_t at = pdf.offset();
        pdf.raw(page.text);
        pdf.entry(page.number, 1, at, page.generation);
    }
    const WalkedTree tree(pdf);
    CPdfXRef& walked = *tree.xref;
    ASSERT_EQ(pages.size(), tree.pages.size());
    CPdfDocument unwalkedDocument;
    CPdfXRef& unwalked = pdf.open(unwalkedDocument);

    FILE* input = std::fopen(pdf.write().c_str(), "rb");
    ASSERT_NE(nullptr, input);
    const RawObjectReader withNotes(input, walked), withoutNotes(input, unwalked);
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].number);
        const int32_t number = tree.pages[i].objNum;
        RawObject noted, found;
        ASSERT_TRUE(withNotes.read(number, noted) && loadObjectText(withNotes.bytes(), noted));
        ASSERT_TRUE(withoutNotes.read(number, found) && loadObjectText(withoutNotes.bytes(), found));
        EXPECT_EQ(found.bytes, noted.bytes);
        EXPECT_EQ(found.generation, noted.generation);
        EXPECT_EQ(found.endKnown, noted.endKnown);
        EXPECT_FALSE(noted.isObjectStream || noted.endWritten);
        const std::string expected = pages[i].text.substr(0, pages[i].text.find("endobj") + 6);
        EXPECT_EQ(expected, std::string(noted.bytes.begin(), noted.bytes.end() - 1));
        if (pages[i].endSeen) {
            const XRefEntry& entry = *walked.getEntries().find(number);
            EXPECT_EQ(walked.extents().locate(number, entry).length(), expected.size());
        }
    }
    std::fclose(input);
}
