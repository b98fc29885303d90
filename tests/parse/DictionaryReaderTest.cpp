#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../support/ElementText.h"
#include "model/PdfException.h"
#include "parse/DictionaryReader.h"
#include "parse/SievedDictionary.h"
#include "parse/ValueSieve.h"
#include "stream/PdfMemoryStream.h"

namespace {

using Reader = DictionaryReader<TextSource>;
using Kind = Reader::ValueKind;

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// One line per entry: key, kind, value and extents; then how the dictionary ended.
struct Entry {
    std::string key;
    Kind kind;
    std::string value;  // the name, the number, "n g" of a reference
    uint32_t keyEnd, valueEnd;
};

struct Reading {
    std::vector<Entry> entries;
    bool closed, plain;
    uint32_t end;
};

// `text` holds "<<" at its start.
Reading readAll(const std::string& text) {
    Reader reader(TextSource(bytesOf(text), uint32_t(text.size())), 2);
    Reading result;
    while (reader.next()) {
        std::string value;
        switch (reader.valueKind()) {
        case Kind::Name:
            value = reader.name();
            break;
        case Kind::Integer:
        case Kind::Boolean:
            value = std::to_string(reader.integer());
            break;
        case Kind::Real:
            value = std::to_string(reader.real());
            break;
        case Kind::Reference:
            value = std::to_string(reader.integer()) + " " + std::to_string(reader.generation());
            break;
        default:
            break;
        }
        result.entries.push_back(
            {std::string(reader.key()), reader.valueKind(), value, reader.keyEnd(), reader.valueEnd()});
    }
    result.closed = reader.closed();
    result.plain = reader.plain();
    result.end = reader.end();
    return result;
}

uint32_t offsetAfter(const std::string& text, const std::string& part) {
    return uint32_t(text.find(part) + part.size());
}

TEST(DictionaryReader, GivesKeysValuesAndWhereEachEnds) {
    const std::string text = "<< /Type /Page /Count 12 /Parent 3 0 R /Scale -1.5 /Open true /Gone null >>\nendobj";
    const Reading reading = readAll(text);
    ASSERT_EQ(reading.entries.size(), 6u);
    EXPECT_EQ(reading.entries[0].key, "Type");
    EXPECT_EQ(reading.entries[0].kind, Kind::Name);
    EXPECT_EQ(reading.entries[0].value, "Page");
    EXPECT_EQ(reading.entries[0].keyEnd, offsetAfter(text, "/Type"));
    EXPECT_EQ(reading.entries[0].valueEnd, offsetAfter(text, "/Page"));
    EXPECT_EQ(reading.entries[1].kind, Kind::Integer);
    EXPECT_EQ(reading.entries[1].value, "12");
    EXPECT_EQ(reading.entries[2].kind, Kind::Reference);
    EXPECT_EQ(reading.entries[2].value, "3 0");
    EXPECT_EQ(reading.entries[2].valueEnd, offsetAfter(text, "3 0 R"));
    EXPECT_EQ(reading.entries[3].kind, Kind::Real);
    EXPECT_EQ(reading.entries[3].value, std::to_string(-1.5));
    EXPECT_EQ(reading.entries[4].kind, Kind::Boolean);
    EXPECT_EQ(reading.entries[4].value, "1");
    EXPECT_EQ(reading.entries[5].kind, Kind::Null);
    EXPECT_TRUE(reading.closed);
    EXPECT_TRUE(reading.plain);
    EXPECT_EQ(reading.end, offsetAfter(text, ">>"));
}

TEST(DictionaryReader, AnIntegerNotFollowedByAReferenceStaysAnInteger) {
    const std::string text = "<< /A 1 2 /B 4 5 R /C 6 >>";
    const Reading reading = readAll(text);
    ASSERT_EQ(reading.entries.size(), 3u);  // the 2 stands where a key belongs and is passed over
    EXPECT_EQ(reading.entries[0].kind, Kind::Integer);
    EXPECT_EQ(reading.entries[0].valueEnd, offsetAfter(text, "/A 1"));
    EXPECT_EQ(reading.entries[1].value, "4 5");
    EXPECT_EQ(reading.entries[2].value, "6");
    EXPECT_FALSE(reading.plain);
}

TEST(DictionaryReader, PassesOverNestedValuesStringsAndComments) {
    const std::string text =
        "<< /A << /X [1 (>>) <3E3E> [/Y]] /Z << >> >> /B (a(b)c\\) >> \\\\) /C <41 3e> % /D 9 >>\n"
        "/D [<< /E 1 >>] /F 7 >>";
    const Reading reading = readAll(text);
    ASSERT_EQ(reading.entries.size(), 5u);
    EXPECT_EQ(reading.entries[0].kind, Kind::Dictionary);
    EXPECT_EQ(reading.entries[0].valueEnd, offsetAfter(text, "/Z << >> >>"));
    EXPECT_EQ(reading.entries[1].kind, Kind::String);
    EXPECT_EQ(reading.entries[1].valueEnd, offsetAfter(text, "\\\\)"));
    EXPECT_EQ(reading.entries[2].kind, Kind::String);
    EXPECT_EQ(reading.entries[3].key, "D");  // the comment hid the first /D
    EXPECT_EQ(reading.entries[3].kind, Kind::Array);
    EXPECT_EQ(reading.entries[4].value, "7");
    EXPECT_TRUE(reading.closed);
    EXPECT_TRUE(reading.plain);
}

TEST(DictionaryReader, AContainerLeftOpenRunsToTheEndOfTheText) {
    const std::string text = "<< /A 1 /B [1 2 /C << 3 >> /D 4";
    const Reading reading = readAll(text);
    ASSERT_EQ(reading.entries.size(), 2u);
    EXPECT_EQ(reading.entries[1].kind, Kind::Array);
    EXPECT_EQ(reading.entries[1].valueEnd, text.size());
    EXPECT_FALSE(reading.closed);
    EXPECT_EQ(reading.end, text.size());

    // Brackets count alike: a ">>" closes a "[" (which the parser would not read so).
    const Reading mixed = readAll("<< /B [1 2 >> /D 4 >>");
    ASSERT_EQ(mixed.entries.size(), 2u);
    EXPECT_TRUE(mixed.closed);
    EXPECT_FALSE(mixed.plain);

    const Reading string = readAll("<< /A (never closed >> /B 2");
    ASSERT_EQ(string.entries.size(), 1u);
    EXPECT_EQ(string.entries[0].kind, Kind::String);
    EXPECT_FALSE(string.closed);
}

TEST(DictionaryReader, AKeyWithoutAValueEndsTheDictionary) {
    const std::string text = "<< /A 1 /Rotate >> /B 2 >>";
    const Reading reading = readAll(text);
    ASSERT_EQ(reading.entries.size(), 2u);
    EXPECT_EQ(reading.entries[1].kind, Kind::Missing);
    EXPECT_EQ(reading.entries[1].valueEnd, reading.entries[1].keyEnd);
    EXPECT_TRUE(reading.closed);
    EXPECT_EQ(reading.end, offsetAfter(text, "/Rotate >>"));
    EXPECT_FALSE(reading.plain);  // the parser takes the ">>" for the value
}

TEST(DictionaryReader, GivesEveryOccurrenceOfARepeatedKeyInOrder) {
    const Reading reading = readAll("<< /Rotate 90 /Type /Page /Ro#74ate 180 /Rotate 4 0 R >>");
    std::vector<std::string> rotations;
    for (const Entry& entry : reading.entries)
        if (entry.key == "Rotate") rotations.push_back(entry.value);
    EXPECT_EQ(rotations, (std::vector<std::string>{"90", "180", "4 0"}));
}

TEST(DictionaryReader, NamesDecodeTheirEscapesAndEndAtADecodedNul) {
    const Reading reading = readAll("<< /Len#67th 5 /Type#00junk /Ob#6aStm /Odd#4)X 1 >>");
    ASSERT_EQ(reading.entries.size(), 3u);
    EXPECT_EQ(reading.entries[0].key, "Length");
    EXPECT_EQ(reading.entries[1].key, "Type");  // as the parser keeps the key
    EXPECT_EQ(reading.entries[1].value, "ObjStm");
    EXPECT_EQ(reading.entries[2].key, "Odd@X");  // one hex digit takes the byte after it
}

TEST(DictionaryReader, TellsWhatTheParserWouldReadOtherwise) {
    EXPECT_TRUE(readAll("<< /A << /B [1 0 R 2] /C << /D /E >> >> /F [[]] >>").plain);
    EXPECT_FALSE(readAll("<< /A [1 >> ] >>").plain);       // a bracket closed by the other kind
    EXPECT_FALSE(readAll("<< /A << /B >> >>").plain);      // a nested key without a value
    EXPECT_FALSE(readAll("<< /A << 1 /B 2 >> >>").plain);  // a nested key that is no name
    EXPECT_FALSE(readAll("<< /A [1 endobj] >>").plain);    // a keyword that ends an object
    EXPECT_FALSE(readAll("<< /A ) /B 1 >>").plain);        // an Error token
    EXPECT_FALSE(readAll("<< /A << /B 1 2 >> >>").plain);  // "1 2" that is no reference
    EXPECT_FALSE(readAll("<< /A " + std::string(70, '[') + std::string(70, ']') + " >>").plain);
    // A bracket where a nested key belongs still counts toward the depth.
    EXPECT_FALSE(readAll("<< /A << << >> >> /B 1 >>").plain);
    EXPECT_FALSE(readAll("<< /A << /B 1 [ >> ] >> ] >> >>").plain);
}

// Keeps A, B and C, and of an array under A every element but the second.
class TestSieve : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key == "A" || key == "B" || key == "C"; }
    bool keepsElement(std::string_view key, uint32_t index, CPdfElement&) override { return key != "A" || index != 1; }
};

std::string lastValues(const CPdfElement& dictionary) {
    std::string text;
    for (const char* key : {"A", "B", "C"}) {
        CPdfElement value;
        dictionary.dictionary()->findLastRaw(key, value);
        text += elementText(value) + " ";
    }
    return text;
}

// What the parser makes of `text` under the sieve; "fails" when it throws.
std::string parsedText(const std::string& text) {
    try {
        TestSieve sieve;
        CPdfParser parser(nullptr, makeRetained<CPdfMemoryStream>(bytesOf(text), uint32_t(text.size())));
        CPdfElement object;
        parser.parseObject(object, sieve);
        if (!object.is(ElementType::Dictionary)) return "not a dictionary";
        return elementText(object) + " " + lastValues(object);
    } catch (const CPdfException&) {
        return "fails";
    }
}

// Dictionaries of every kind of value, nested a few levels, each token spoiled
// now and then by a piece that the parser reads otherwise than a scanner would.
class DictionaryMaker {
public:
    explicit DictionaryMaker(uint32_t seed) : random(seed) {}

    std::string make() {
        text = "<<";
        entries(0);
        text += random() % 3 == 0 ? " >> stream\n" : " >> ";
        return text;
    }

private:
    void piece(const char* word) {
        static const char* const spoilers[] = {">>", "]", "<<", "[", "endobj", ")", "1", "2 0", "/A", "%c\n", "R"};
        if (random() % 40 == 0) return;  // left out
        if (random() % 40 == 0) (text += ' ') += spoilers[random() % std::size(spoilers)];
        (text += ' ') += word;
    }
    void entries(int depth) {
        static const char* const keys[] = {"/A", "/B", "/C", "/D", "/A#00x", "/#42"};
        for (int count = int(random() % 5); count > 0; --count) {
            piece(keys[random() % std::size(keys)]);
            value(depth);
        }
    }
    void value(int depth) {
        static const char* const simple[] = {"1",    "-3.5", "/N",   "(a(b)\\))", "<41>",
                                             "true", "null", "word", "1 0 R",     "0 -.5 3. --2 612"};
        const uint32_t choice = random() % (depth < 3 ? 12 : 10);
        if (choice < 10) return piece(simple[choice]);
        if (choice == 10) {
            piece("<<");
            entries(depth + 1);
            return piece(">>");
        }
        piece("[");
        for (int count = int(random() % 4); count > 0; --count) value(depth + 1);
        piece("]");
    }

    std::mt19937 random;
    std::string text;
};

TEST(SievedDictionary, BuildsWhatTheParserBuildsWheneverItAnswers) {
    DictionaryMaker maker(27);
    int answered = 0;
    for (int round = 0; round < 50000; ++round) {
        const std::string text = maker.make();
        CPdfElement built;
        TestSieve sieve;
        if (readSievedDictionary(bytesOf(text), uint32_t(text.size()), true, nullptr, sieve, built) !=
            SievedRead::Built)
            continue;
        ++answered;
        ASSERT_EQ(elementText(built) + " " + lastValues(built), parsedText(text)) << text;
    }
    EXPECT_GT(answered, 5000);  // the comparison must have been made often
}

TEST(SievedDictionary, LeavesToTheParserWhatTheTextDoesNotSettle) {
    TestSieve sieve;
    CPdfElement out;
    const std::string cut = "<< /A [1 0 R 2 0 R] >> stre";
    EXPECT_EQ(readSievedDictionary(bytesOf(cut), uint32_t(cut.size()), false, nullptr, sieve, out),
              SievedRead::ForTheParser);
    EXPECT_EQ(readSievedDictionary(bytesOf(cut), uint32_t(cut.size()), true, nullptr, sieve, out), SievedRead::Built);
    EXPECT_EQ(elementText(out), "<<A=[ref:1 0]>>");  // the second element is left out by the sieve
    CPdfElement kept;
    const std::string string = "<< /A (text) >> ";
    EXPECT_EQ(readSievedDictionary(bytesOf(string), uint32_t(string.size()), true, nullptr, sieve, kept),
              SievedRead::ForTheParser);
    const std::string unkept = "<< /D (text) /E [<< /F 1 >>] /B 2 >> ";
    EXPECT_EQ(readSievedDictionary(bytesOf(unkept), uint32_t(unkept.size()), true, nullptr, sieve, kept),
              SievedRead::Built);
    EXPECT_EQ(elementText(kept), "<<B=int:2>>");
    // Cut short: more text may settle a plain dictionary, never a spoiled one.
    const std::string shortText = "<< /A 1 /B [1 2";
    EXPECT_EQ(readSievedDictionary(bytesOf(shortText), uint32_t(shortText.size()), false, nullptr, sieve, kept),
              SievedRead::TextTooShort);
    const std::string spoiled = "<< /A 1 endobj /B [1 2";
    EXPECT_EQ(readSievedDictionary(bytesOf(spoiled), uint32_t(spoiled.size()), false, nullptr, sieve, kept),
              SievedRead::ForTheParser);
}

}  // namespace
