#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "parse/DictionarySkim.h"
#include "rawtext/DictionaryText.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// What DictionaryText, which reads through the lexer, makes of the same text: the
// skimmer must agree with it on everything the scan uses.
DictionarySkim throughTheLexer(const std::string& text) {
    DictionarySkim result;
    DictionaryText entries(bytesOf(text), uint32_t(text.size()), 2);
    bool typeSeen = false, lengthSeen = false;
    while (entries.next()) {
        if (!typeSeen && entries.keyIs("Type")) {
            typeSeen = true;
            result.typeIsName = entries.valueKind() == DictionaryText::ValueKind::Name;
        } else if (!lengthSeen && entries.keyIs("Length")) {
            lengthSeen = true;
            switch (entries.valueKind()) {
            case DictionaryText::ValueKind::Integer:
                result.lengthKind = DictionarySkim::LengthKind::Integer;
                result.length = entries.wideInteger();
                break;
            case DictionaryText::ValueKind::Reference:
                result.lengthKind = DictionarySkim::LengthKind::Reference;
                result.lengthNumber = entries.integer();
                result.lengthGeneration = entries.generation();
                break;
            default:
                result.lengthKind = DictionarySkim::LengthKind::Other;
            }
        }
    }
    result.closed = entries.closed();
    if (result.closed) result.end = entries.end();
    return result;
}

void expectSameReading(const std::string& text) {
    const DictionarySkim skim = skimDictionary(bytesOf(text), uint32_t(text.size()), 2);
    const DictionarySkim lexed = throughTheLexer(text);
    ASSERT_EQ(lexed.closed, skim.closed) << text;
    if (skim.closed) {
        ASSERT_EQ(lexed.end, skim.end) << text;
    }
    ASSERT_EQ(lexed.typeIsName, skim.typeIsName) << text;
    if (skim.typeIsName) {
        DictionaryText entries(bytesOf(text), uint32_t(text.size()), 2);
        while (entries.next() && !entries.keyIs("Type")) {
        }
        ASSERT_TRUE(entries.valueIs(skim.type.c_str())) << text << " type " << skim.type;
    }
    ASSERT_EQ(int(lexed.lengthKind), int(skim.lengthKind)) << text;
    if (skim.lengthKind == DictionarySkim::LengthKind::Integer) {
        ASSERT_EQ(lexed.length, skim.length) << text;
    }
    if (skim.lengthKind == DictionarySkim::LengthKind::Reference) {
        ASSERT_EQ(lexed.lengthNumber, skim.lengthNumber) << text;
        ASSERT_EQ(lexed.lengthGeneration, skim.lengthGeneration) << text;
    }
}

}  // namespace

TEST(DictionarySkim, ReadsWhatTheScanNeeds) {
    const struct {
        std::string text;
        bool closed;
        std::string type;
        DictionarySkim::LengthKind length;
        int64_t value;
        std::string rest;  // what follows the dictionary
    } cases[] = {
        {"<< /Type /ObjStm /N 3 /First 14 /Length 120 >>stream", true, "ObjStm", DictionarySkim::LengthKind::Integer,
         120, "stream"},
        {"<</Length 7 0 R/Type/XRef>>", true, "XRef", DictionarySkim::LengthKind::Reference, 0, ""},
        {"<< /Resources << /Type /Font /Length 3 >> /Type /Catalog >> x", true, "Catalog",
         DictionarySkim::LengthKind::None, 0, " x"},
        {"<< /Title (a >> (b) \\) c) /Ty#70e /Cat#61log % >> comment\n /Length 5 >>", true, "Catalog",
         DictionarySkim::LengthKind::Integer, 5, ""},
        {"<< /Kids [ << /Type /Page >> ] /Length 99999999999 >>", true, "", DictionarySkim::LengthKind::Integer,
         99'999'999'999, ""},
        {"<< /Length 12.5 /Type (Catalog) >>", true, "", DictionarySkim::LengthKind::Other, 0, ""},
        {"<< /Length /Type >>", true, "", DictionarySkim::LengthKind::Other, 0, ""},
        {"<< /Type /Pages /Kids [1 0 R", false, "Pages", DictionarySkim::LengthKind::None, 0, ""},
    };
    for (const auto& c : cases) {
        const DictionarySkim skim = skimDictionary(bytesOf(c.text), uint32_t(c.text.size()), 2);
        EXPECT_EQ(c.closed, skim.closed) << c.text;
        EXPECT_EQ(c.type, skim.type) << c.text;
        EXPECT_EQ(int(c.length), int(skim.lengthKind)) << c.text;
        if (c.length == DictionarySkim::LengthKind::Integer) {
            EXPECT_EQ(c.value, skim.length) << c.text;
        }
        if (c.closed) {
            EXPECT_EQ(c.rest, c.text.substr(skim.end)) << c.text;
        }
        expectSameReading(c.text);
    }
}

// Dictionaries made of every kind of token, in random order and nesting, some of
// them cut short: the skimmer reads each as the lexer-based reader does.
TEST(DictionarySkim, AgreesWithTheLexerOnRandomDictionaries) {
    const std::vector<std::string> pieces = {
        " /Type",      " /Length", "/Ty#70e", "/Len#67th",    "/Type#", "/A#4",   "/A#4/B",   " /Catalog", "/XRef",
        "/ObjStm",     " 12",      " -3",     " 0",           " 7 0 R", " 8 3 R", " 1 2",     " R",        "R",
        " 4.5",        " .5",      " -",      " 99999999999", "12abc",  " (str)", " (a(b)c)", " (\\))",    " (\\",
        " <41 42>",    " <4",      " <<",     " >>",          " [",     " ]",     " >",       " )",        " {",
        " %comment\n", " %c",      "\r\n",    "\t",           " true",  " null",  " word",    "#",
    };
    std::mt19937 random(20240517);
    for (int round = 0; round < 20000; ++round) {
        std::string text = "<<";
        const int count = int(random() % 24);
        for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
        if (random() % 4 != 0) text += " >>";
        expectSameReading(text);
        if (HasFatalFailure()) return;
    }
}
