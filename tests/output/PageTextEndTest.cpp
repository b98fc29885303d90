#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "WalkedTree.h"
#include "rawtext/ObjectLayout.h"
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

// The walk notes where a page's text ends when it read the "endobj" right after
// the page's dictionary; read with that end, the text is exactly what the scan for
// the object's end reads, and what a full read gives; without it the scan decides.
TEST(PageTextEnd, TheWalkNotesTheEndThatTheScanFinds) {
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
        {9, "9 0 obj << /Type /Page >> 42 endobj\n", false},     // something else after the dictionary
        {10, "10 2 obj << /Type /Page >>\nendobj\n", false, 2},  // noted only under generation 0
    };
    PdfBuilder pdf;
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 10 2 R] /Count 8 >>");
    std::vector<uint32_t> expectedEnds;
    for (const Page& page : pages) {
        const uint32_t at = pdf.offset();
        pdf.raw(page.text);
        pdf.entry(page.number, 1, at, page.generation);
        expectedEnds.push_back(page.endSeen ? at + static_cast<uint32_t>(page.text.find("endobj")) + 6 : 0);
    }
    const WalkedTree tree(pdf);
    CPdfXRef& xref = *tree.xref;
    const std::vector<PageRecord>& records = tree.pages;
    ASSERT_EQ(pages.size(), records.size());

    FILE* input = std::fopen(pdf.write().c_str(), "rb");
    ASSERT_NE(nullptr, input);
    const ObjectLayout layout(xref.getEntries(), xref.baseOffset(), pdf.bytes().size());
    const RawObjectReader reader(input, xref, layout);
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].number);
        EXPECT_EQ(expectedEnds[i], records[i].textEnd);
        RawObject withEnd, scanned;
        ASSERT_TRUE(reader.readFetched(records[i].objNum, withEnd, records[i].textEnd));
        ASSERT_TRUE(reader.readFetched(records[i].objNum, scanned));
        EXPECT_EQ(scanned.bytes, withEnd.bytes);
        EXPECT_EQ(scanned.endKnown, withEnd.endKnown);
        // The copy reads such a page to that end, as a full read would give it.
        RawObject copied, read;
        ASSERT_TRUE(reader.read(records[i].objNum, read));
        ASSERT_EQ(pages[i].endSeen, reader.readToKnownEnd(records[i].objNum, records[i].textEnd, copied));
        if (!pages[i].endSeen) continue;
        EXPECT_EQ(read.bytes, copied.bytes);
        EXPECT_EQ(read.generation, copied.generation);
        EXPECT_EQ(read.endKnown, copied.endKnown);
        EXPECT_FALSE(copied.isObjectStream || copied.inFile || copied.endWritten);
    }
    std::fclose(input);
}
