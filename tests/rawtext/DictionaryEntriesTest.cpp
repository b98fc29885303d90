#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "TestByteFile.h"
#include "rawtext/DictionaryEntries.h"
#include "rawtext/TextTokens.h"
#include "rawtext/TrailerText.h"
#include "stream/FileBlockCache.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// "key=bytes" for each entry, or "open" when no dictionary closes.
std::vector<std::string> entriesOf(const std::string& text) {
    std::vector<DictionaryEntry> entries;
    if (!scanDictionaryEntries(bytesOf(text), uint32_t(text.size()), entries)) return {"open"};
    std::vector<std::string> described;
    for (const DictionaryEntry& entry : entries)
        described.push_back(entry.key + "=" + text.substr(entry.start, entry.end - entry.start));
    return described;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(DictionaryEntries, GivesEachTopLevelEntryWithTheBytesBeforeIt) {
    EXPECT_EQ((Texts{"Size= /Size 7", "Root= /Root 1 0 R", "ID= % ids\n /ID [<01> <02>]", "Info=/Info 2 0 R"}),
              entriesOf("\n<< /Size 7 /Root 1 0 R % ids\n /ID [<01> <02>]/Info 2 0 R >>"));
    EXPECT_EQ((Texts{"Type= /Type /XRef", "W= /W [1 2 1]", "Root= /Ro#6ft << /A [1] >>"}),
              entriesOf("12 0 obj\n<< /Type /XRef /W [1 2 1] /Ro#6ft << /A [1] >> >>\nstream\n"));
    EXPECT_EQ((Texts{"A= /A 1"}), entriesOf("<< /A 1 (not a key) /B >>"));
    EXPECT_EQ(Texts{"open"}, entriesOf("<< /Root 1 0 R"));
    EXPECT_EQ(Texts{"open"}, entriesOf("<< /A << /B 1 >>"));
    EXPECT_EQ(Texts{"open"}, entriesOf("1 2 3 4 << /A 1 >>"));  // no dictionary where a section's begins
}

TEST(DictionaryEntries, OneValueAloneCanGoIntoAnObjectStream) {
    for (const std::string one : {"<< /A 1 >>", " << /A [1 (2)] >> % note", "1 0 R", "(text)", "[<< >>]"})
        EXPECT_TRUE(holdsOneValue(bytesOf(one), uint32_t(one.size()))) << one;
    for (const std::string other : {"<< /Length 3 >>\nstream\nabc\nendstream", "<< /A 1", "1 2", "", ">>", "<< >> >>"})
        EXPECT_FALSE(holdsOneValue(bytesOf(other), uint32_t(other.size()))) << other;
}

// The lexer's reading, token by token, as the reference for holdsOneValue's faster ways.
bool oneValueTokenByToken(const std::string& text) {
    TextTokens tokens(bytesOf(text), uint32_t(text.size()));
    LexedToken token;
    tokens.next(token);
    if (token.is(LexedToken::Kind::EndOfFile) || token.closesContainer()) return false;
    if (!skipValue(tokens, token)) return false;
    tokens.next(token);
    return token.is(LexedToken::Kind::EndOfFile);
}

TEST(DictionaryEntries, OneValueIsToldAsTheLexerTellsItWhateverTheTextHolds) {
    const std::vector<std::string> pieces = {"<<",  ">>",   "<",   ">", "[",  "]",     "(",
                                             ")",   "%",    "{",   "}", "/A", "/B#3C", "1",
                                             "0 R", "-2.5", "obj", " ", "\n", "\r",    std::string(1, '\0'),
                                             "\\"};
    std::mt19937 random(37);
    int oneValues = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = round % 2 == 0 ? "<<" : "";
        const int count = int(random() % 12);
        for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
        if (round % 3 == 0) text += ">>";
        if (round % 5 == 0) text += " \n";
        const bool one = oneValueTokenByToken(text);
        EXPECT_EQ(one, holdsOneValue(bytesOf(text), uint32_t(text.size()))) << text;
        oneValues += one;
    }
    EXPECT_GT(oneValues, 1000);  // both answers are tried often
}

TEST(TrailerText, FindsTheTrailerOfATableAndTheDictionaryOfAStream) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    const uint32_t table = pdf.table("/Size 2 /Root 1 0 R /Info 1 0 R");
    pdf.startxref(table);
    const uint32_t stream = pdf.xrefStream(2, "/Root 1 0 R /Prev " + std::to_string(table));
    pdf.startxref(stream);
    const TestByteFile file(pdf.bytes());
    FileBlockCache blocks(file.get());
    const uint32_t size = uint32_t(pdf.bytes().size());

    TrailerText trailer;
    ASSERT_TRUE(readTrailerText(blocks, table, false, size, trailer));
    std::vector<std::string> keys;
    for (const DictionaryEntry& entry : trailer.entries) keys.push_back(entry.key);
    EXPECT_EQ((Texts{"Size", "Root", "Info"}), keys);

    ASSERT_TRUE(readTrailerText(blocks, stream, true, size, trailer));
    keys.clear();
    for (const DictionaryEntry& entry : trailer.entries) keys.push_back(entry.key);
    EXPECT_EQ((Texts{"Type", "Size", "W", "Index", "Root", "Prev", "Length"}), keys);

    EXPECT_FALSE(readTrailerText(blocks, stream, false, size, trailer));  // no "trailer" after the stream
    const uint32_t trailerEnd = uint32_t(pdf.bytes().find(">>", table));
    EXPECT_FALSE(readTrailerText(blocks, table, false, trailerEnd, trailer));  // the file ends before it closes
    EXPECT_TRUE(readTrailerText(blocks, table, false, trailerEnd + 2, trailer));
}
