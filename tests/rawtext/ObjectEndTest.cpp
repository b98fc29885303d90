#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "PdfBuilder.h"
#include "parse/ObjectEnd.h"
#include "stream/FileBlockCache.h"
#include "rawtext/RawObject.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// Where `text` ends as a whole text in memory: the offset past "endobj", or 0.
uint64_t endOf(const std::string& text) { return findObjectEnd(bytesOf(text), text.size(), 0, true).end; }

// The same text as a file read through its block cache, from its first byte to its last.
uint64_t endInFileOf(const std::string& text) {
    const std::string path = testing::TempDir() + "object-end.bin";
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    file = std::fopen(path.c_str(), "rb");
    FileBlockCache blocks(file);
    const uint64_t end = findObjectEndInFile(blocks, 0, 0, text.size());
    std::fclose(file);
    std::remove(path.c_str());
    return end;
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

// The word ends an object only as a keyword of its own; in memory and in the
// file the same end is found.
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
        {"1 0 obj +endobj|\n"},  // a sign alone is a number, as the parser reads it
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
        EXPECT_EQ(c.expected(), endOf(c.text())) << c.marked;
        EXPECT_EQ(c.expected(), endInFileOf(c.text())) << c.marked;
    }
}

TEST(ObjectEnd, LexingStartsWhereItIsTold) {
    const std::string text = "1 0 obj << /Length 4 >> stream\nendobj\nendstream\nendobj\n";
    const size_t dataEnd = text.find("\nendstream");  // just after the data of a stream whose Length is right
    EXPECT_EQ(text.size() - 1, findObjectEnd(bytesOf(text), text.size(), dataEnd, true).end);
}

// A text cut short by what was read may go on: an "endobj" that reaches its last
// byte ends nothing yet.
TEST(ObjectEnd, AKeywordAtTheEndOfAPartCountsOnlyForTheWholeText) {
    const std::string text = "1 0 obj null endobj";
    EXPECT_EQ(0u, findObjectEnd(bytesOf(text), text.size(), 0, false).end);
    EXPECT_EQ(text.size(), findObjectEnd(bytesOf(text), text.size(), 0, true).end);
}

// What a text without "endobj" leaves open, and what closes it as the lexer read it.
TEST(ObjectEnd, TellsWhatTheTextLeftOpen) {
    const auto open = [](const std::string& text) { return findObjectEnd(bytesOf(text), text.size(), 0, true); };
    EXPECT_EQ(OpenAtEnd::Nothing, open("<< /A 1 >>").open);
    EXPECT_EQ(OpenAtEnd::Comment, open("<< /A 1 >> % note").open);
    EXPECT_EQ(OpenAtEnd::StreamData, open("<< >> stream\nabc").open);
    const TextEnd literal = open("[(a (b) (c");
    EXPECT_EQ(OpenAtEnd::String, literal.open);
    EXPECT_EQ("))", literal.closers);
    EXPECT_EQ("\n)", open("(a\\").closers);  // the escape takes the line end as nothing
    EXPECT_EQ(">", open("<< /A <414").closers);
    EXPECT_EQ(">", open("[<").closers);
}

namespace {

struct RawReader {
    explicit RawReader(PdfBuilder& pdf) : xref(pdf.open(document)), input(std::fopen(pdf.write().c_str(), "rb")) {}
    ~RawReader() { std::fclose(input); }
    std::optional<std::string> text(int number) {
        RawObject raw;
        if (!readRawObject(xref, number, raw)) return std::nullopt;
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
