#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "PdfBuilder.h"
#include "rawtext/ObjectEnd.h"
#include "rawtext/RawObject.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// Where the scanner ends `text` when it is fed in pieces of `piece` bytes: the
// offset past "endobj", or 0.
uint64_t endOf(const std::string& text, size_t piece) {
    ObjectEndScanner scanner;
    for (size_t at = 0; at < text.size(); at += piece) {
        if (const uint64_t end = scanner.feed(bytesOf(text) + at, std::min(piece, text.size() - at))) return end;
    }
    return scanner.finish();
}

// The offset just past the marked "endobj" (the one followed by "|"), once the
// marker is removed; 0 when the text holds no marker.
struct EndCase {
    std::string marked;
    std::string text() const {
        std::string plain = marked;
        if (const size_t bar = plain.find('|'); bar != std::string::npos) plain.erase(bar, 1);
        return plain;
    }
    uint64_t expected() const {
        const size_t bar = marked.find('|');
        return bar == std::string::npos ? 0 : bar;
    }
};

}  // namespace

// The word ends an object only as a keyword of its own; fed whole or a byte at a
// time, the scanner finds the same end.
TEST(ObjectEnd, EndsAtTheKeywordTheLexerReads) {
    const EndCase cases[] = {
        {"1 0 obj\n<< /A 1 >>\nendobj|\n"},
        {"1 0 obj (see endobj and more) endobj|\n"},
        {"1 0 obj (nested (endobj) \\) endobj \\\\) endobj|\n"},  // escapes and nesting
        {"1 0 obj (\\(endobj) endobj|\n"},
        {"1 0 obj % endobj\n<< >> endobj|\n"},
        {"1 0 obj\r% endobj\rnull endobj|\n"},
        {"1 0 obj /Xendobj /endobj endobj|\n"},
        {"1 0 obj /A#20endobj endobj|\n"},  // "#" and a hex digit take the byte after them
        {"1 0 obj /A#2(endobj endobj|\n"},
        {"1 0 obj <656e646f626a endobj> endobj|\n"},  // a hex string runs to its ">"
        {"1 0 obj << /A <00> >>endobj|%"},
        {"1 0 obj 5endobj|\n"},  // a number ends where a letter starts
        {"1 0 obj [1]endobj|(x)"},
        {"1 0 obj\n<< /Length 3 >>\nstream\nendobj endobj\nendstream\nendobj|\n"},
        {"1 0 obj\n<< /Length 3 >>\nstream\nendstreaendstream endobj|\n"},
        {"1 0 obj\nnull\nendobj|"},  // the text ends with the keyword
        {"1 0 obj nullendobj"},      // no keyword of its own
        {"1 0 obj endobjX"},
        {"1 0 obj (never closed endobj endobj"},
        {"1 0 obj\n<< >>\nstream\nendobj"},
    };
    for (const EndCase& c : cases) {
        EXPECT_EQ(c.expected(), endOf(c.text(), c.text().size())) << c.marked;
        EXPECT_EQ(c.expected(), endOf(c.text(), 1)) << c.marked;
    }
}

TEST(ObjectEnd, ScanStartsWhereItIsTold) {
    const std::string rest = "\nendstream\nendobj\n";
    ObjectEndScanner scanner(100);  // just after the data of a stream whose Length is right
    EXPECT_EQ(100 + rest.size() - 1, scanner.feed(bytesOf(rest), rest.size()));
}

namespace {

struct RawReader {
    explicit RawReader(PdfBuilder& pdf) : xref(pdf.open(document)), input(std::fopen(pdf.write().c_str(), "rb")) {}
    ~RawReader() { std::fclose(input); }
    std::optional<std::string> text(int number) {
        RawObject raw;
        if (!readRawObject(input, number, &xref, xref.getEntries(), raw)) return std::nullopt;
        return std::string(raw.bytes.begin(), raw.bytes.end());
    }
    CPdfDocument document;
    CPdfXRef& xref;
    FILE* input;
};

}  // namespace

// The texts that the job copies end where the objects end, the stream's whatever
// its Length says: a wrong one sends the scan to the data's "endstream".
TEST(ObjectEnd, RawTextsHoldTheWholeObject) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R /Note (endobj) % endobj\n/N /endobj >>");
    pdf.object(2, "[(endobj) 1 2 3]");
    pdf.object(3, "<< /Length 99 >>\nstream\nendobj\nendstream");
    pdf.object(4, "<< /Length 6 >>\nstream\nendobj\nendstream");
    pdf.startxref(pdf.table("/Root 1 0 R"));
    RawReader reader(pdf);
    EXPECT_EQ("1 0 obj\n<< /Type /Catalog /Pages 2 0 R /Note (endobj) % endobj\n/N /endobj >>\nendobj\n",
              reader.text(1));
    EXPECT_EQ("2 0 obj\n[(endobj) 1 2 3]\nendobj\n", reader.text(2));
    EXPECT_EQ("3 0 obj\n<< /Length 99 >>\nstream\nendobj\nendstream\nendobj\n", reader.text(3));
    EXPECT_EQ("4 0 obj\n<< /Length 6 >>\nstream\nendobj\nendstream\nendobj\n", reader.text(4));
}
