// The readers that answer from an object's first bytes without the parser, held to
// the parser on the layouts where they serve and where they must leave the object
// to it: the head of an object as its extent is located, the sieved fetch, and the
// header of an object stream. The fuzz targets hold them to the parser on any
// input; these are the layouts that each must get right.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ElementText.h"
#include "PdfBuilder.h"
#include "parse/PdfParser.h"
#include "parse/ValueSieve.h"
#include "stream/PdfMemoryStream.h"
#include "xref/ObjectStreamHeader.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"
#include "xref/SievedFetch.h"

namespace {

// The object's body `before` + `rest`, with spaces before it that put the first
// token of `rest` across the edge of a first read, three bytes before it (counted
// from the object's header "N 0 obj\n").
std::string across(size_t edge, int number, const std::string& before, const std::string& rest) {
    const size_t header = std::to_string(number).size() + 7;
    return std::string(edge - 3 - before.size() - header, ' ') + before + rest;
}

// Every field of an extent that the readers of raw text use.
std::string extentText(const ObjectExtent& extent) {
    if (!extent.readable) return "unreadable";
    return std::to_string(extent.generation) + " " + std::to_string(extent.start) + "-" + std::to_string(extent.end) +
           "/" + std::to_string(extent.limit) + " ending " + std::to_string(int(extent.ending)) +
           (extent.isStream ? " stream to " + std::to_string(extent.dataEnd) : "") +
           (extent.isObjectStream ? " ObjStm" : "") + (extent.endstreamMissing ? " no endstream" : "");
}

std::string references(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(100 + i) + " 0 R ";
    return text;
}

const std::string manyReferences = references(100);

// The text with each "@" a NUL byte.
std::string withNul(std::string text) {
    for (char& c : text)
        if (c == '@') c = '\0';
    return text;
}

// Objects 4 onwards, after a catalogue and a page tree that a repairing open accepts;
// object 90 is a Length, object 91 a Type.
std::vector<std::string> layouts() {
    return {
        "<< /A 1 /B [1 0 R 2 0 R] >>",
        "<< /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Type /ObjStm /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Length 4 >>\nstream\nHELLO\nendstream",  // a Length short of "endstream"
        "<< /Length 9 >>\nstream\nHELLO\nendstream",  // one past it
        "<< /Length 90 0 R >>\nstream\nHELLO\nendstream",
        "<< /Type 91 0 R /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Length 5 >>\nstream\nendobj\nendstream",
        "<< /A (endobj) /B (stream) >>",
        "<< /A 1 % endobj >>\n>>",
        "<< /A [1 2",  // never closed
        "<< /A 1 >> stream",
        across(4096, 16, "<< /Length 5 >> ", "stream\nHELLO\nendstream"),
        across(4096, 17, "<< /Length 5 >> stream\nHELLO\n", "endstream"),
        across(4096, 18, "<< /A 1 >> ", "endobj"),
        across(512, 19, "<< /A 1 /B 2 >> ", "stream\nHELLO\nendstream"),
        across(8192, 20, "", "<< /A 1 >>"),
        "<< /B [" + manyReferences + "] /A 2 >>",  // past the first read, within the second
        across(512, 22, "<< /A ", "12 /B 2 >>"),
        // Stream heads as most writers lay them out, and the variants next to them.
        "<< /Filter /FlateDecode /Length 5 >>\nstream\nHELLO\nendstream",
        "<</Length 5/Filter/A>>stream\r\nHELLO\nendstream",
        "<< /Length 5 >>\nstream\rHELLO\nendstream",             // a lone CR ends the line
        "<< /Length 5 >>\nstream \nHELLO\nendstream",            // a space before the line's end
        "<< /Length 05 /Length 9 >>\nstream\nHELLO\nendstream",  // the first of two keys counts
        "<< /Length 9 /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Length /Five /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Length 5.0 >>\nstream\nHELLO\nendstream",
        "<< /Length -5 >>\nstream\nHELLO\nendstream",
        "<< /Length +5 >>\nstream\nHELLO\nendstream",
        "<< /Le#6egth 5 >>\nstream\nHELLO\nendstream",
        "<< /Length 5 /Type /Obj#53tm >>\nstream\nHELLO\nendstream",
        "<< /Type /ObjStm /Type /XObject /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Type /XObject /Type /ObjStm /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Type 7 /Length 5 >>\nstream\nHELLO\nendstream",
        "<< /Length 5 % a comment\n>>\nstream\nHELLO\nendstream",
        "<< /Length 5 >>% a comment\nstream\nHELLO\nendstream",
        "<< /Length 5 >>\nstreamx\nHELLO\nendstream",
        "<< /Length 5 /D [1 2] >>\nstream\nHELLO\nendstream",
        "<< /Length 5 /S (a) >>\nstream\nHELLO\nendstream",
        "<< /Length 5 /N null >>\nstream\nHELLO\nendstream",
        "<< /Length 5 / 6 >>\nstream\nHELLO\nendstream",  // an empty name as a key
        "<< /Length 5 >\nstream\nHELLO\nendstream",
        "<< /Length 5 >>\nstream\nHELLO endstream endobj",
        "<< /Length 5 >>\nstream\nHELLO\nendstream\n% no endobj\n",
        "<< /Length 5 >>\nstream\nHELLO\nendstreamendobj",
        // The words after the data: white space, comments and other tokens between them.
        "<< /Length 5 >>\nstream\nHELLO\nendstream%c\nendobj",
        "<< /Length 5 >>\nstream\nHELLO%c\nendstream\nendobj",
        "<< /Length 5 >>\nstream\nHELLO\r\n \t endstream \r\n\n  endobj",
        "<< /Length 5 >>\nstream\nHELLOendstream\nendobj",
        "<< /Length 5 >>\nstream\nHELLO\nendstream(s)\nendobj",
        "<< /Length 5 >>\nstream\nHELLO\nendstream/N endobj",
        "<< /Length 5 >>\nstream\nHELLO\nendstream endobjx",
        "<< /Length 5 >>\nstream\nHELLO\nendstreams endobj",
        "<< /Length 5 >>\nstream\nHELLO\nendstrea endobj",
        withNul("<< /Length 5 >>\nstream\nHELLO@endstream@endobj"),
        withNul("<< /Length 5 >>\nstream\n@@@@@\nendstream"),
        withNul("<<@/Length\t5\f>>@stream\nHELLO\nendstream"),  // NUL, tab and form feed are white space
        "<< /Length 99999999999999999999 >>\nstream\nHELLO\nendstream",
        "<< /Length 999999999999999999 >>\nstream\nHELLO\nendstream",
        across(4096, 53, "<< /Length 5 >>", "\nstream\nHELLO\nendstream"),
        across(4096, 54, "<< /Length 5 >>\nstream", "\r\nHELLO\nendstream"),
        across(4096, 55, "<< /Length 5 >>\nstream\r", "\nHELLO\nendstream"),
        across(4096, 56, "<< /Length 5 >>\nstre", "am\nHELLO\nendstream"),
        across(4096, 57, "<< /Length 12", "3 >>\nstream\nHELLO\nendstream"),
        across(4096, 58, "<< /Filter /Flate", "Decode /Length 5 >>\nstream\nHELLO\nendstream"),
        across(4096, 59, "<< /Length 5 >>\nstream\nHEL", "LO\nendstream"),
        across(4096, 60, "<< /Length 5 >>\nstream\nHELLO\nendst", "ream"),
    };
}

constexpr int firstLayout = 4;

struct Built {
    PdfBuilder pdf;
    int last = 0;
};

void build(Built& built) {
    PdfBuilder& pdf = built.pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    int number = firstLayout;
    for (const std::string& body : layouts()) pdf.object(number++, body);
    built.last = number - 1;
    pdf.object(90, "5");
    pdf.object(91, "/ObjStm");
    pdf.startxref(pdf.table("/Size 92 /Root 1 0 R"));
}

std::string located(CPdfXRef& xref, int number, bool skim) {
    xref.extents().skimHeads(skim);
    return extentText(xref.extents().locate(number, *xref.getEntries().find(number)));
}

}  // namespace

TEST(FastReaders, LocateEachObjectAsTheParserReadsItsHead) {
    Built built;
    build(built);
    for (const bool repair : {false, true}) {
        CPdfDocument document;
        CPdfXRef& xref = built.pdf.open(document, repair);
        xref.extents().forget();
        for (int number = firstLayout; number <= built.last; ++number)
            EXPECT_EQ(located(xref, number, false), located(xref, number, true)) << number << " repair " << repair;
    }
}

TEST(FastReaders, SievedFetchFromTheFirstBytesBuildsWhatTheParserBuilds) {
    Built built;
    build(built);
    CPdfDocument fastDocument, parserDocument;
    CPdfXRef& fast = built.pdf.open(fastDocument);
    CPdfXRef& parser = built.pdf.open(parserDocument);
    parser.fetchSievedFromFirstBytes(false);
    parser.extents().skimHeads(false);
    fast.extents().skimHeads(false);
    parser.extents().forget();
    int served = 0;
    for (int number = firstLayout; number <= built.last; ++number) {
        const XRefEntry& entry = *fast.getEntries().find(number);
        KeySieve sieve{"A", "B"};
        CPdfElement fromBytes, parsed;
        if (!fetchSievedFromFile(fast, entry.position(0), number, 0, sieve, fromBytes)) continue;
        ++served;
        parser.fetchObject(number, 0, parsed, &sieve);
        EXPECT_EQ(elementText(parsed), elementText(fromBytes)) << number;
        // The end it notes for the object's text is the one the lexer finds.
        EXPECT_EQ(extentText(parser.extents().locate(number, entry)), extentText(fast.extents().locate(number, entry)))
            << number;
    }
    // The plain dictionaries (one holding "endobj" in a comment, one followed by a word
    // that only starts with "stream"), two of them past the first read; none that heads
    // a stream, holds a kept string or is left open.
    EXPECT_EQ(5, served);
}

namespace {

std::string headerPairs(const std::vector<int32_t>& numbers, const std::vector<int32_t>& offsets) {
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i)
        text += std::to_string(numbers[i]) + ":" + std::to_string(offsets[i]) + " ";
    return text;
}

}  // namespace

TEST(FastReaders, PlainObjectStreamHeaderReadsAsTheParser) {
    const struct {
        int32_t count;
        std::string header;
        bool plain;  // whether the plain reader settles it
    } cases[] = {
        {2, "10 0 11 6 ", true},      {2, "10 0\r\n11\t6", true}, {1, "99999999999 0", true}, {1, "%c\n10 -5", true},
        {2, "10 0 11 6 12 R", false}, {1, "10 0 11 R", false},    {1, "10 0.5", false},       {2, "10 0", false},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> numbers, offsets, parsedNumbers, parsedOffsets;
        const auto* text = reinterpret_cast<const uint8_t*>(c.header.data());
        const auto length = uint32_t(c.header.size());
        EXPECT_EQ(c.plain, readPlainObjectStreamHeader(text, length, c.count, numbers, offsets)) << c.header;
        const bool parsed = readObjectStreamHeaderPairs(
            CPdfParser(nullptr, makeRetained<CPdfMemoryStream>(text, length)), c.count, parsedNumbers, parsedOffsets);
        if (c.plain) {
            EXPECT_TRUE(parsed) << c.header;
            EXPECT_EQ(headerPairs(parsedNumbers, parsedOffsets), headerPairs(numbers, offsets)) << c.header;
        }
    }
}
