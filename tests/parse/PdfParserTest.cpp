#include <gtest/gtest.h>

#include <random>

#include "ElementText.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "parse/StreamEnd.h"
#include "parse/ValueSieve.h"

namespace {

struct ObjectCase {
    std::string_view input;
    std::string objects;
};

const ObjectCase objectCases[] = {
    {"1 0 R", "ref:1 0"},
    {"1 0 obj", "int:1 | int:0 | kw:obj"},
    {"1 R", "int:1 | kw:R"},
    {"1 2.0 R", "int:1 | real:2 | kw:R"},
    {"[1 2 R 3]", "[ref:1 2 int:3]"},
    {"[ ]", "[]"},
    {"[[1] [2 3]]", "[[int:1] [int:2 int:3]]"},
    {"[/A ) >>]", "[name:A error kw:>>]"},
    {"[1 [2 R", "[int:1 [int:2 kw:R]]"},
    {"<< /A 1 /B [2 3] /C << /D /E >> >>", "<<A=int:1 B=[int:2 int:3] C=<<D=name:E>>>>"},
    {"<< 5 /A 1 >> 5 0 R", "<<A=int:1>> | ref:5 0"},
    {"<< /A ) /B 1 >>", "<<B=int:1>>"},
    {"<< /A 1 /A 2 >>", "<<A=int:1>>"},
    {"<< /A >> /B 1 >>", "<<A=kw:>> B=int:1>>"},
    {"<< /A [1 2", "<<A=[int:1 int:2]>>"},
    {"<< /A << /B 3", "<<A=<<B=int:3>>>>"},
    {"<< /Length 5 >>\nstream\r\nHELLO\r\nendstream 42", "stream:HELLO | int:42"},
    {"<< /Length 5 >>\nstream  \nHELLO endstream", "stream:HELLO"},
    {"<< /Length 5 >>\nstream\rHELLO endstream", "stream:HELLO"},
    {"<< /Length 0 >>\nstream\nendstream", "stream:endstream"},
    {"<< /Length 5 /Filter [] >>\nstream\nHELLO\nendstream", "error"},
    {"<< /Length 5 /Filter [/Fl /DCTDecode] >>\nstream\nHELLO\nendstream", "error"},
    {"<< /Length 6 /Filter [/AHx /AHx] >>\nstream\n34383e\nendstream", "stream:H"},
    // Without a usable length nothing more is read: the look-ahead stays on ">>".
    {"<< /Length 5.0 >>\nstream\nHELLO endstream", "error | kw:>> | kw:stream | kw:HELLO | kw:endstream"},
    {"<< /Length 9 0 R >>\nstream\nHELLO endstream", "error | kw:>> | kw:stream | kw:HELLO | kw:endstream"},
};

std::string parseFailure(std::string_view text) {
    try {
        parseAllText(text);
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    return "";
}

}  // namespace

TEST(PdfParser, ReadsEachObject) {
    for (const ObjectCase& test : objectCases) EXPECT_EQ(test.objects, parseAllText(test.input)) << test.input;
}

TEST(PdfParser, StreamLengthMustEndAtEndstream) {
    EXPECT_EQ(message::missingEndstream, parseFailure("<< /Length 4 >>\nstream\r\nHELLO\r\nendstream"));
    EXPECT_EQ(message::missingEndstream, parseFailure("<< /Length 900 >>\nstream\r\nHELLO\r\nendstream"));
    // A negative Length ends the data before it starts, here on the "endstream" read
    // before the dictionary: the parse must not go back there (and read it all again).
    const TestByteFile reachingBack("endstream << /Length -35 >>\nstream\nHELLO\nendstream");
    CPdfParser parser(nullptr, reachingBack.openStream());
    CPdfElement keyword, stream;
    parser.parseObject(keyword);
    EXPECT_EQ(message::missingEndstream, [&] {
        try {
            parser.parseObject(stream);
        } catch (const CPdfException& failure) {
            return std::string(failure.messageText());
        }
        return elementText(stream);
    }());
}

// With -repair the parser asks where a stream ends when its Length does not lead
// to "endstream", and reads a stream without "endstream" all the same.
namespace {

class FixedStreamEnd final : public StreamEndFinder {
public:
    uint64_t dataLength(uint64_t, uint64_t) const override {
        ++asked;
        return 5;
    }
    mutable int asked = 0;
};

std::string parsedRecovering(const std::string& text, FixedStreamEnd& finder, bool* endstreamMissing = nullptr) {
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    parser.recoverStreamEnds(&finder);
    CPdfElement first, second;
    parser.parseObject(first);
    if (endstreamMissing) *endstreamMissing = parser.endstreamWasMissing();
    parser.parseObject(second);
    return elementText(first) + " | " + elementText(second);
}

}  // namespace

TEST(PdfParser, RecoveringStreamEndsAsksOnlyWhenTheLengthMissesEndstream) {
    FixedStreamEnd finder;
    EXPECT_EQ("stream:HELLO | int:42", parsedRecovering("<< /Length 5 >>\nstream\nHELLO\nendstream 42", finder));
    EXPECT_EQ(0, finder.asked);
    EXPECT_EQ("stream:HELLO | int:42", parsedRecovering("<< /Length 4 >>\nstream\nHELLO\nendstream 42", finder));
    EXPECT_EQ("stream:HELLO | int:42", parsedRecovering("<< /Length 1 0 R >>\nstream\nHELLO\nendstream 42", finder));
    EXPECT_EQ(2, finder.asked);
    bool missing = false;
    EXPECT_EQ("stream:HELLO | kw:endobj", parsedRecovering("<< /Length 5 >>\nstream\nHELLO\nendobj", finder, &missing));
    EXPECT_TRUE(missing);
}

TEST(PdfParser, StreamsAreDecodedUnlessKeptRaw) {
    const std::string packed = zlibCompressed("decoded");
    const std::string text =
        "<< /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" + packed + "\nendstream";
    EXPECT_EQ("stream:decoded", parseAllText(text));
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    parser.keepStreamsRaw();
    CPdfElement object;
    parser.parseObject(object);
    EXPECT_EQ("stream:" + packed, elementText(object));
}

TEST(PdfParser, DeepNestingIsDamageNotACrash) {
    EXPECT_EQ("", parseFailure(std::string(500, '[')));
    EXPECT_EQ(message::damaged, parseFailure(std::string(501, '[')));
    EXPECT_EQ(message::damaged, parseFailure(std::string(100000, '[')));
    std::string dictionaries;
    for (int i = 0; i < 600; ++i) dictionaries += "<< /A [";
    EXPECT_EQ(message::damaged, parseFailure(dictionaries));
}

namespace {

std::string randomSyntax(std::mt19937& random) {
    const char* const pieces[] = {"<<",
                                  ">>",
                                  "[",
                                  "]",
                                  "(",
                                  ")",
                                  "<",
                                  ">",
                                  "/",
                                  "/Length ",
                                  "/Filter /Fl ",
                                  "/DecodeParms << /Predictor 12 /Columns 3 >> ",
                                  "stream\r\n",
                                  "endstream",
                                  "1 ",
                                  "0 ",
                                  "R ",
                                  "-7 ",
                                  "4.5 ",
                                  "obj ",
                                  "\\",
                                  "#4",
                                  "%",
                                  "\n",
                                  " ",
                                  "x\x9c"};
    std::string text;
    for (int i = static_cast<int>(random() % 40); i > 0; --i) {
        if (random() % 4 == 0) text.push_back(static_cast<char>(random()));
        else text += pieces[random() % std::size(pieces)];
    }
    return text;
}

// A Flate stream object with a PNG predictor, a few of whose bytes are overwritten.
std::string damagedStreamObject(std::mt19937& random) {
    std::string rows(300, '\0');
    for (char& byte : rows) byte = static_cast<char>(random() % 8);
    const std::string packed = zlibCompressed(rows);
    std::string text = "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 3 >> /Length " +
                       std::to_string(packed.size()) + " >>\nstream\n" + packed + "\nendstream 7";
    for (int i = static_cast<int>(random() % 4); i > 0; --i) text[random() % text.size()] = static_cast<char>(random());
    return text;
}

}  // namespace

// Random mixtures of PDF syntax, damaged stream objects, and truncations of both
// must never crash, leak or hang; a CPdfException is a fine answer to damaged input.
// A negative Length may send the parser back to an earlier object, so each input
// gets a bounded number of objects.
TEST(PdfParser, SurvivesRandomAndTruncatedInput) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 2 ? randomSyntax(random) : damagedStreamObject(random);
        if (random() % 2) text.resize(random() % (text.size() + 1));
        const TestByteFile file(text);
        CPdfParser parser(nullptr, file.openStream());
        try {
            for (int objects = 0; objects < 200; ++objects) {
                CPdfElement object;
                parser.parseObject(object);
                if (object.is(ElementType::EndOfFile)) break;
                elementText(object);
            }
        } catch (const CPdfException&) {
        }
    }
}

// An object with more values than one object may hold is damage, not a memory bomb.
TEST(PdfParser, AnObjectWithTooManyValuesIsDamage) {
    std::string many = "[";
    for (int i = 0; i < (1 << 21); ++i) many += "0 ";
    const TestByteFile file(many + "]");
    CPdfParser parser(nullptr, file.openStream());
    CPdfElement object;
    try {
        parser.parseObject(object);
        ADD_FAILURE() << "parsed " << object.array()->size() << " values";
    } catch (const CPdfException& failure) {
        EXPECT_STREQ(message::damaged, failure.messageText());
    }
    const TestByteFile fewer("[" + many.substr(1, 2 * ((1 << 21) - 2)) + "]");
    CPdfParser second(nullptr, fewer.openStream());
    CPdfElement held;
    second.parseObject(held);
    EXPECT_EQ((1 << 21) - 2, held.array()->size());
}

// A container left open ends where its object does: at "endobj", at the "obj" of
// the next object, at "stream" or "endstream". That is damage, or, when damaged
// files are recovered, the end of every container still open, with what it held.
TEST(PdfParser, AContainerLeftOpenEndsAtTheEndOfItsObject) {
    const struct {
        std::string_view text, recovered;
    } cases[] = {
        {"<< /A [ 1 2 3 endobj 6 0 obj << /B 1 >> endobj",
         "<<A=[int:1 int:2 int:3]>> | kw:endobj | int:6 | int:0 | "
         "kw:obj | <<B=int:1>> | kw:endobj"},
        {"[1 [2 << /A 3 endobj", "[int:1 [int:2 <<A=int:3>>]] | kw:endobj"},
        {"<< /A [1 2 6 0 obj", "<<A=[int:1 int:2 int:6 int:0]>> | kw:obj"},
        {"<< /A 1 /B endobj", "<<A=int:1>> | kw:endobj"},
        {"[1 stream\nbinary", "[int:1] | kw:stream | kw:binary"},
        {"<< /A [1 endstream", "<<A=[int:1]>> | kw:endstream"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(message::damaged, parseFailure(c.text)) << c.text;
        EXPECT_EQ(c.recovered, parseAllText(c.text, true)) << c.text;
    }
    // Outside a container the keywords are objects of their own, as they always were.
    EXPECT_EQ("kw:endobj | int:6 | int:0 | kw:obj", parseAllText("endobj 6 0 obj"));
}

namespace {

// Keeps the values of /A and /C; of an array under /C it keeps every second element.
class EveryOtherUnderC : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key == "A" || key == "C"; }
    bool keepsElement(std::string_view key, uint32_t index, CPdfElement& element) override {
        offered.push_back(std::string(key) + std::to_string(index) + "=" + elementText(element));
        return key != "C" || index % 2 == 0;
    }
    std::vector<std::string> offered;
};

// The first object of `text` read through `sieve`, then the rest of the text as
// parseAllText reads it.
std::string parseSieved(std::string_view text, ValueSieve& sieve) {
    const TestByteFile file(text);
    CPdfParser parser(nullptr, file.openStream());
    CPdfElement object;
    parser.parseObject(object, sieve);
    std::string result = elementText(object);
    for (;;) {
        CPdfElement next;
        parser.parseObject(next);
        if (next.is(ElementType::EndOfFile)) return result;
        result += " | " + elementText(next);
    }
}

}  // namespace

TEST(PdfParser, ASieveBuildsOnlyTheValuesItKeeps) {
    EveryOtherUnderC sieve;
    EXPECT_EQ("<<A=<<A=int:1>> C=[int:5 int:7]>> | int:9",
              parseSieved("<< /B [[1] << /C 2 >>] /A << /A 1 /B 2 >> /B (x) /C [5 6 7 [8]] /D 4 0 R >> 9", sieve));
    // Only the elements of an array held directly under a kept key are offered.
    EXPECT_EQ((std::vector<std::string>{"C0=int:5", "C1=int:6", "C2=int:7", "C3=[int:8]"}), sieve.offered);
    // A value passed over is read as a built one is: a key followed by ">>" takes it
    // as its value, and a stream inside is passed over by its Length.
    KeySieve onlyA{"A"};
    EXPECT_EQ("<<A=int:3>> | int:4", parseSieved("<< /B << /X >> /Y 1 >> /A 3 >> 4", onlyA));
    EXPECT_EQ("<<A=int:3>>", parseSieved("<< /B [<< /Length 6 >>\nstream\nA >> B\nendstream] /A 3 >>", onlyA));
    EXPECT_EQ(message::missingEndstream, [&] {
        try {
            parseSieved("<< /B [<< /Length 2 >>\nstream\nA >> B\nendstream] /A 3 >>", onlyA);
        } catch (const CPdfException& failure) {
            return std::string(failure.messageText());
        }
        return std::string();
    }());
}

// Values passed over cost no memory, so they do not count against the values one
// object may hold; and they reach exactly as far as a full parse does.
TEST(PdfParser, ValuesPassedOverAreReadAsFarAsAFullParseReads) {
    std::string many = "<< /B [";
    for (int i = 0; i < (1 << 21); ++i) many += "[]";
    KeySieve onlyA{"A"};
    EXPECT_EQ("<<A=int:1>>", parseSieved(many + "] /A 1 >>", onlyA));

    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = "<< /B " + randomSyntax(random) + " /A 1 >> 7 8";
        std::string full, sieved;
        try {
            full = parseAllText(text);
            full = full.substr(std::min(full.size(), full.find(" | ")));
        } catch (const CPdfException& failure) {
            full = failure.messageText();
        }
        try {
            sieved = parseSieved(text, onlyA);
            sieved = sieved.substr(std::min(sieved.size(), sieved.find(" | ")));
        } catch (const CPdfException& failure) {
            sieved = failure.messageText();
        }
        EXPECT_EQ(full, sieved) << text;
    }
}
