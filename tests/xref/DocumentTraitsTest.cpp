// What -info tells of a document beyond its pages: its version, its object
// streams and whether it is linearized.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "PdfBuilder.h"
#include "xref/DocumentTraits.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

// A one-object file whose catalogue holds `catalogueEntries`, after `head`
// (which may hold a header of its own before the builder's %PDF-1.5).
std::string versionOf(const std::string& head, const std::string& catalogueEntries) {
    PdfBuilder pdf(head, true);
    pdf.object(1, "<< /Type /Catalog" + catalogueEntries + " >>");
    pdf.startxref(pdf.table("/Size 2 /Root 1 0 R"));
    CPdfDocument document;
    return declaredVersion(pdf.open(document));
}

TEST(DocumentTraits, TheCatalogueVersionCountsWhereItIsLater) {
    EXPECT_EQ("1.5", versionOf("", ""));
    EXPECT_EQ("1.7", versionOf("", " /Version /1.7"));
    EXPECT_EQ("1.5", versionOf("", " /Version /1.4")) << "an earlier one does not";
    EXPECT_EQ("1.10", versionOf("%PDF-1.9\n", " /Version /1.10")) << "the numbers are compared, not the texts";
    EXPECT_EQ("1.9", versionOf("%PDF-1.9\n", " /Version /1.10x")) << "a name that is no version";
    EXPECT_EQ("2.0", versionOf("%PDF-2.0 junk\n", " /Version (2.1)")) << "a string is no name";
}

// A file whose first object is the dictionary given, which may say "LENGTH"
// where the file's own length goes; after `junk` before the header, and a
// comment of `padding` bytes after it.
bool linearized(const std::string& firstObject, const std::string& junk = "", size_t padding = 0) {
    std::string bytes;
    for (int pass = 0; pass < 2; ++pass) {
        PdfBuilder pdf(junk);
        if (padding > 0) pdf.raw(std::string("%").append(padding, 'x').append("\n"));
        std::string text = firstObject;
        char length[11];
        std::snprintf(length, sizeof length, "%010zu", bytes.size() - std::min(bytes.size(), junk.size()));
        if (const size_t at = text.find("LENGTH"); at != std::string::npos) text.replace(at, 6, length);
        pdf.object(5, text);
        pdf.object(1, "<< /Type /Catalog >>");
        pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
        bytes = pdf.bytes();
        if (pass == 1) {
            CPdfDocument document;
            return isLinearized(pdf.open(document), bytes.size());
        }
    }
    return false;
}

TEST(DocumentTraits, LinearizedWhenTheFirstObjectSaysSoForTheFileAsItIs) {
    EXPECT_TRUE(linearized("<< /Linearized 1 /L LENGTH /N 1 >>"));
    EXPECT_TRUE(linearized("<< /Linearized 1.0 >>")) << "without /L nothing contradicts it";
    EXPECT_TRUE(linearized("<< /Linearized 1 /L LENGTH >>", "junk before the header\n"));
    EXPECT_FALSE(linearized("<< /Linearized 1 /L 12 >>")) << "an update appended since";
    EXPECT_FALSE(linearized("<< /Linearized /Yes /L LENGTH >>"));
    EXPECT_FALSE(linearized("<< /Type /Page >>"));
    EXPECT_FALSE(linearized("<< /Linearized 1 /L LENGTH >>", "", 1100)) << "past the first 1024 bytes";
    EXPECT_TRUE(linearized("<< /Linearized 1 /L LENGTH >>", std::string(1000, ' '), 900))
        << "bytes before the header do not count against them";
}

TEST(DocumentTraits, ObjectStreamsAreTheEntriesKeptInThem) {
    PdfBuilder packed;
    packed.objectStream(2, {{1, "<< /Type /Catalog >>"}});
    packed.startxref(packed.xrefStream(3, "/Root 1 0 R"));
    CPdfDocument packedDocument;
    EXPECT_TRUE(usesObjectStreams(packed.open(packedDocument)));
    PdfBuilder plain;
    plain.object(1, "<< /Type /Catalog >>");
    plain.startxref(plain.table("/Size 2 /Root 1 0 R"));
    CPdfDocument plainDocument;
    EXPECT_FALSE(usesObjectStreams(plain.open(plainDocument)));
}

}  // namespace
