// Reads arbitrary bytes as PDF object syntax through every reader of object text.
// The first byte picks the options: bit 0 closes containers left open at their
// object's end (as -repair reads), bit 1 leaves stream data undecoded, bit 2 finds
// stream ends as -repair does, bits 3-4 the sieve. The rest is the text.
// Invariants:
// - the lexer gives the same tokens over text in memory, over a stream and over a
//   stream's window; its position moves forward and stays within the text; each
//   token written back in the PDF format's syntax lexes as itself;
// - each object parsed, written back, parses as itself; the parser's position
//   moves forward, object after object, also past stream data;
// - a sieved parse builds what the full parse builds, less what the sieve leaves out
//   (and goes on where only a value it leaves out would make the full parse fail);
// - the dictionary readers (the entry reader, the skim of whole-file scans, the
//   sieved read) report positions within the text, in order;
// - nothing but the program's own exception escapes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "PdfSyntax.h"
#include "model/PdfException.h"
#include "parse/DictionaryReader.h"
#include "parse/DictionarySkim.h"
#include "parse/PdfLexer.h"
#include "parse/PdfParser.h"
#include "parse/SievedDictionary.h"
#include "parse/ValueSieve.h"
#include "stream/PdfFileStream.h"
#include "stream/PdfMemoryStream.h"
#include "xref/StreamEndSearch.h"

namespace {

using namespace fuzzing;

struct Options {
    bool recoverUnclosed = false;
    bool keepStreamsRaw = false;
    bool recoverStreamEnds = false;
    int sieve = 0;
};

// Keys that the program's readers sieve objects by.
KeySieve& sieveNumber(int which) {
    static KeySieve sieves[] = {
        {"Type", "Pages", "Kids"},
        {"Type", "Parent", "Kids", "Count", "Rotate", "MediaBox", "CropBox"},
        {"Length", "Filter", "DecodeParms"},
        {"Size", "W", "Index", "Prev", "Root", "Info", "Encrypt", "XRefStm"},
    };
    return sieves[which];
}

// A token with its text copied out of the lexer.
struct Token {
    LexedToken::Kind kind;
    int32_t integer;
    std::string text;
    bool operator==(const Token&) const = default;
};

Token copied(const LexedToken& token) {
    const bool integer = token.is(LexedToken::Kind::Integer) || token.is(LexedToken::Kind::Boolean);
    return {token.kind, integer ? token.integer : 0, std::string(token.text)};
}

template <class Source>
std::vector<Token> lexAll(Source& source, size_t textLength) {
    PdfLexer<Source> lexer(source);
    std::vector<Token> tokens;
    LexedToken token;
    do {
        lexer.lexToken(token);
        tokens.push_back(copied(token));
        require(tokens.size() <= textLength + 1, "the lexer gave more tokens than the text has bytes");
    } while (!token.is(LexedToken::Kind::EndOfFile));
    return tokens;
}

// The tokens from text in memory, with their positions checked, and the names among them.
std::vector<Token> lexInMemory(std::string_view text, std::set<std::string>& names) {
    TextSource source(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    PdfLexer<TextSource> lexer(source);
    std::vector<Token> tokens;
    LexedToken token;
    do {
        const uint32_t before = source.where();
        lexer.lexToken(token);
        require(source.where() <= text.size(), "the lexer read past the text");
        require(source.where() > before || token.is(LexedToken::Kind::EndOfFile), "a token took no bytes");
        if (token.is(LexedToken::Kind::Name)) names.emplace(token.name());
        tokens.push_back(copied(token));
    } while (!token.is(LexedToken::Kind::EndOfFile));
    return tokens;
}

// The token written back in the PDF format's syntax; empty for the ones without text.
std::string written(const LexedToken& token) {
    std::string out;
    switch (token.kind) {
    case LexedToken::Kind::Name:
        writeName(out, token.name());
        break;
    case LexedToken::Kind::String:
        writeString(out, token.text);
        break;
    case LexedToken::Kind::Integer:
        out = std::to_string(token.integer);
        break;
    case LexedToken::Kind::Real:
        writeReal(out, token.real());
        break;
    case LexedToken::Kind::Keyword:
    case LexedToken::Kind::Boolean:
    case LexedToken::Kind::Null:
        out = token.text;
        break;
    default:
        break;
    }
    return out;
}

void checkTokensRelex(std::string_view text) {
    TextSource source(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    for (lexer.lexToken(token); !token.is(LexedToken::Kind::EndOfFile); lexer.lexToken(token)) {
        const std::string again = written(token);
        if (again.empty()) continue;
        TextSource rewritten(reinterpret_cast<const uint8_t*>(again.data()), static_cast<uint32_t>(again.size()));
        PdfLexer<TextSource> relexer(rewritten);
        LexedToken relexed;
        relexer.lexToken(relexed);
        require(relexed.kind == token.kind, "a token written back lexes as another kind");
        if (token.is(LexedToken::Kind::Real)) require(relexed.real() == token.real(), "a real changed");
        else if (token.is(LexedToken::Kind::Name)) require(relexed.name() == token.name(), "a name changed");
        else if (token.is(LexedToken::Kind::Integer)) require(relexed.integer == token.integer, "an integer changed");
        else require(copied(relexed) == copied(token), "a token changed");
        relexer.lexToken(relexed);
        require(relexed.is(LexedToken::Kind::EndOfFile), "a token written back lexes as more than one");
    }
}

void checkLexer(std::string_view text, std::set<std::string>& names) {
    const std::vector<Token> inMemory = lexInMemory(text, names);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<uint32_t>(text.size());
    std::vector<RetainPtr<CPdfStream>> chain{makeRetained<CPdfMemoryStream>(bytes, length)};
    StreamChainSource streamSource(chain);
    require(lexAll(streamSource, text.size()) == inMemory, "a stream lexes otherwise than text in memory");
    WindowSource windowSource(makeRetained<CPdfMemoryStream>(bytes, length));
    require(lexAll(windowSource, text.size()) == inMemory, "a window lexes otherwise than text in memory");
    checkTokensRelex(text);
}

// Every object of the text up to its end (or the first failure), each written back.
struct Parsed {
    std::vector<std::string> objects;
    bool failed = false;
};

Parsed parseAll(std::string_view text, const Options& options, const std::set<std::string>& keys,
                ValueSieve* sieve = nullptr, const KeyFilter& kept = nullptr) {
    Parsed parsed;
    CPdfParser parser(nullptr, makeRetained<CPdfMemoryStream>(reinterpret_cast<const uint8_t*>(text.data()),
                                                              static_cast<uint32_t>(text.size())));
    if (options.recoverUnclosed) parser.recoverUnclosedContainers();
    uint32_t position = parser.streamAtLookAheadEnd().tell();
    try {
        for (;;) {
            CPdfElement object;
            if (sieve) parser.parseObject(object, *sieve);
            else parser.parseObject(object);
            if (object.is(ElementType::EndOfFile)) return parsed;
            parsed.objects.push_back(pdfSyntax(object, keys, kept));
            const uint32_t now = parser.streamAtLookAheadEnd().tell();
            require(now >= position && now <= text.size(), "the parser's position ran backwards or past the end");
            require(parsed.objects.size() <= text.size() + 1, "the parser made no progress");
            position = now;
        }
    } catch (const CPdfException&) {
        parsed.failed = true;
    }
    return parsed;
}

std::string joined(const std::vector<std::string>& objects) {
    std::string text;
    for (const std::string& object : objects) (text += object) += '\n';
    return text;
}

// Writing is a dictionary's keys times its count: texts with very many of both are left out.
bool fewEnoughKeys(std::string_view text, const std::set<std::string>& keys) {
    size_t dictionaries = 0;
    for (size_t at = text.find("<<"); at != std::string_view::npos; at = text.find("<<", at + 2)) ++dictionaries;
    return dictionaries * keys.size() <= (size_t{1} << 20);
}

// A dictionary that "stream" closed as the end of its object, written back with
// its ">>", would head a stream: the objects before it are what can be compared.
std::vector<std::string> beforeClosedByStream(std::vector<std::string> objects) {
    for (size_t i = 0; i + 1 < objects.size(); ++i) {
        if (objects[i].starts_with("<<") && objects[i + 1] == "stream") {
            objects.resize(i);
            break;
        }
    }
    return objects;
}

void checkParser(std::string_view text, const Options& options, const std::set<std::string>& keys) {
    if (!fewEnoughKeys(text, keys)) return;
    Parsed parsed = parseAll(text, options, keys);
    parsed.objects = beforeClosedByStream(std::move(parsed.objects));
    const std::string again = joined(parsed.objects);
    const Parsed reparsed = parseAll(again, options, keys);
    require(!reparsed.failed && reparsed.objects == parsed.objects, "an object written back parses otherwise");

    KeySieve& sieve = sieveNumber(options.sieve);
    const KeyFilter kept = [&sieve](std::string_view key) { return sieve.keeps(key); };
    const Parsed whole = parseAll(text, options, keys, nullptr, kept);
    const Parsed sieved = parseAll(text, options, keys, &sieve, kept);
    // A sieved parse builds no value it does not keep, and so checks none of them:
    // a full parse may fail where the sieved one goes on (a stream whose Length is
    // not kept cannot be held to its data), as the sieve target allows too. The
    // sieved parse may then fail further on, or not at all; up to the full parse's
    // failure the two agree.
    const bool sievedWentOn = whole.failed && sieved.objects.size() >= whole.objects.size();
    require(sievedWentOn ? std::equal(whole.objects.begin(), whole.objects.end(), sieved.objects.begin())
                         : sieved.failed == whole.failed && sieved.objects == whole.objects,
            "a sieved parse builds otherwise than the full parse");
}

// Over a file, where stream objects have their data: what the parser makes of them,
// read (decoded unless kept raw) up to a bound.
void checkFileParse(std::string_view text, const Options& options) {
    const MemoryFile file(text);
    StreamEndSearch ends(file.handle(), text.size());
    CPdfParser parser(nullptr, makeRetained<CPdfFileStream>(file.handle(), 0, 0, CPdfElement::null()));
    if (options.recoverUnclosed) parser.recoverUnclosedContainers();
    if (options.keepStreamsRaw) parser.keepStreamsRaw();
    if (options.recoverStreamEnds) parser.recoverStreamEnds(&ends);
    uint32_t position = parser.streamAtLookAheadEnd().tell();
    try {
        for (size_t objects = 0;; ++objects) {
            CPdfElement object;
            parser.parseObject(object);
            if (object.is(ElementType::EndOfFile)) return;
            const uint32_t now = parser.streamAtLookAheadEnd().tell();
            require(now >= position, "the parser's position in a file ran backwards");
            require(objects <= text.size(), "the parser made no progress in a file");
            position = now;
            if (!object.is(ElementType::Stream)) continue;
            uint8_t block[4096];
            size_t total = 0;
            for (size_t got = 1; got > 0 && total < (size_t{4} << 20); total += got)
                got = object.stream()->readBlock(block, sizeof block);
            if (options.keepStreamsRaw) require(total <= text.size(), "raw stream data reached past the file");
        }
    } catch (const CPdfException&) {
    }
}

// The readers that take a dictionary's text without the parser, from each "<<"
// (the first few): where they say things are lies within the text, in order.
void checkDictionaryReaders(std::string_view text, const Options& options) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<uint32_t>(text.size());
    int starts = 0;
    for (size_t at = text.find("<<"); at != std::string_view::npos && starts < 16; at = text.find("<<", at + 2)) {
        ++starts;
        const auto start = static_cast<uint32_t>(at + 2);
        DictionaryReader<TextSource> entries(TextSource(bytes, length), start);
        uint32_t previous = start;
        for (uint32_t count = 0; entries.next(); ++count) {
            require(entries.entryStart() >= previous && entries.keyEnd() >= entries.entryStart() &&
                        entries.valueEnd() >= entries.keyEnd() && entries.valueEnd() <= length,
                    "an entry lies out of order or past the text");
            require(count <= length, "the entry reader made no progress");
            previous = entries.valueEnd();
        }
        require(entries.end() >= start && entries.end() <= length, "a dictionary ends outside the text");
        const DictionarySkim skim = skimDictionary(bytes, length, start);
        require(skim.end >= start && skim.end <= length, "a skimmed dictionary ends outside the text");
        for (const bool whole : {true, false}) {
            CPdfElement out;
            DictionarySpan span;
            readSievedDictionary(bytes + at, length - static_cast<uint32_t>(at), whole, nullptr,
                                 sieveNumber(options.sieve), out, &span);
            require(span.objectEnd <= length - at, "a sieved read's object ends past the text");
            require(span.opening <= length - at, "a sieved read's dictionary opens past the text");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const Options options{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0, (data[0] >> 3) & 3};
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::set<std::string> names;
    checkLexer(text, names);
    checkParser(text, options, names);
    checkFileParse(text, options);
    checkDictionaryReaders(text, options);
    return 0;
}
