#include "xref/ObjectExtents.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "limits/Limits.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/CharacterClass.h"
#include "parse/DictionaryReader.h"
#include "parse/DictionarySkim.h"
#include "parse/Keywords.h"
#include "parse/ObjectEnd.h"
#include "parse/PdfParser.h"
#include "parse/PlainStreamHead.h"
#include "parse/ValueSieve.h"
#include "stream/FileBlockCache.h"
#include "stream/PatternSearch.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

// What an object's first bytes, or a parse of it, tell about where it lies. The
// body of an object with another number is not even parsed: many entries may name
// the offset of one large object.
struct Head {
    bool parsed = false;  // "number generation obj"
    int32_t number = 0;
    int32_t generation = 0;
    bool isStream = false;
    bool isObjectStream = false;
    uint64_t dataEnd = 0;           // a stream's, as a file position
    bool endstreamMissing = false;  // recovering: the data is not followed by "endstream"
    // Counted from the object's start: just past the closing keyword that the lexer reads
    // right after its dictionary or its "endstream"; 0 when it is still to be found.
    uint64_t objectEnd = 0;
};

Head parseHead(CPdfXRef& xref, uint64_t start, int32_t expectedNumber) {
    Head head;
    try {
        CPdfParser parser(&xref, xref.fileStream()->openWindow(start, 0, CPdfElement::null()));
        parser.keepStreamsRaw();
        parser.recoverStreamEnds(xref.recovery().streamEndFinder());
        CPdfElement number, generation, keyword, object;
        parser.parseObject(number);
        parser.parseObject(generation);
        parser.parseObject(keyword);
        if (!number.is(ElementType::Integer) || !generation.is(ElementType::Integer) || !keyword.isKeyword("obj") ||
            number.integer() != expectedNumber)
            return head;
        head.parsed = true;
        head.number = number.integer();
        head.generation = generation.integer();
        // Only a dictionary can head a stream: anything else (a large array, say)
        // need not be built just to learn that.
        if (!parser.currentToken().isKeyword("<<")) return head;
        KeySieve streamEntries{"Length", "Type"};  // nothing else of the object is read here
        parser.parseObject(object, streamEntries);
        if (!object.is(ElementType::Stream)) return head;
        CPdfStream* data = object.stream();
        head.isStream = true;
        head.dataEnd = uint64_t{data->windowStart()} + data->windowLength();
        head.endstreamMissing = parser.endstreamWasMissing();
        if (CPdfDictionary* dictionary = data->streamDictionary()) {
            CPdfElement type;
            dictionary->find("Type", type);
            head.isObjectStream = type.is(ElementType::Name) && type.hasText("ObjStm");
        }
    } catch (const CPdfException&) {
        head.isStream = false;  // the object cannot be read that way: its end is found by the lexer alone
    }
    return head;
}

// The object's first bytes, [start, start + what fits the first chunk), and
// whether they are the whole of its range. A few bytes past the range are read
// with them where the chunk has room (`read` in all, and whether the file ends
// there): the words after a stream's data, which end most objects, lie in them.
struct FirstBytes {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    bool whole = false;
    size_t read = 0;
    bool fileEndsThere = false;
};

// After the white space from `at` within the first `got` bytes: whether the word
// `word` stands there whole (what the lexer reads as that keyword), and where it
// would end. Nothing when a comment starts there, which the lexer passes over.
struct PlainWord {
    bool found = false;
    uint32_t end = 0;
};
template <size_t Size>
std::optional<PlainWord> plainWordAt(const uint8_t* text, uint32_t got, uint32_t at, const char (&word)[Size]) {
    constexpr uint32_t length = Size - 1;  // a literal's length is known: the comparison is made in place
    while (at < got && pdfchar::isWhitespace(text[at])) ++at;
    if (at < got && text[at] == '%') return std::nullopt;
    const uint32_t end = at + length;
    const bool found = got - at >= length && std::memcmp(text + at, word, length) == 0 &&
                       (end == got || !pdfchar::isRegular(text[end]));
    return PlainWord{found, end};
}

// The lexer's answer below, for the words after a stream's data as most writers lay
// them out: white space between them, no comment.
std::optional<bool> plainEndstreamIn(const uint8_t* text, uint32_t got, uint32_t asked, uint32_t& objectEnd) {
    const std::optional<PlainWord> endstream = plainWordAt(text, got, 0, "endstream");
    if (!endstream) return std::nullopt;
    const auto whole = [&](uint32_t end) { return end < got || got < asked; };
    if (!endstream->found || !whole(endstream->end)) return false;
    const std::optional<PlainWord> endobj = plainWordAt(text, got, endstream->end, keywords::objectEnd);
    if (!endobj) return std::nullopt;
    objectEnd = endobj->found && whole(endobj->end) ? endobj->end : 0;
    return true;
}

// Whether the first token of `text` (the `got` bytes at a file position, of at most
// 64 that were asked for) is the whole word "endstream". `objectEnd` is then where a
// whole closing keyword right after it ends, counted from the text's start, or 0.
bool endstreamIn(const uint8_t* text, uint32_t got, uint32_t& objectEnd) {
    constexpr uint32_t asked = 64;
    if (const std::optional<bool> plain = plainEndstreamIn(text, got, asked, objectEnd)) return *plain;
    TextSource source(text, got);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    // A word that reaches the end of what was read may go on in the file.
    const auto whole = [&] { return source.where() < got || got < asked; };
    lexer.lexToken(token);
    if (!token.isKeyword("endstream") || !whole()) return false;
    lexer.lexToken(token);
    objectEnd = token.isKeyword(keywords::objectEnd) && whole() ? source.where() : 0;
    return true;
}

// The same at file position `at` (not before `start`), from what was read of the
// object's first bytes when that holds what a read there would give (all 64 bytes,
// or all there are before the file ends), else through the block cache.
bool endstreamAt(FileBlockCache& blocks, const FirstBytes& first, uint64_t start, uint64_t at, uint32_t& objectEnd) {
    constexpr uint32_t asked = 64;
    const uint64_t offset = at - start;
    if (offset + asked <= first.read) return endstreamIn(first.bytes + offset, asked, objectEnd);
    if (first.fileEndsThere && offset <= first.read)
        return endstreamIn(first.bytes + offset, static_cast<uint32_t>(first.read - offset), objectEnd);
    uint8_t bytes[asked];
    return endstreamIn(bytes, static_cast<uint32_t>(blocks.readFully(at, bytes, asked)), objectEnd);
}

// A stream whose data runs `length` bytes from `dataStart` (counted from the object's
// start), when "endstream" follows it there.
std::optional<Head> streamOfLength(FileBlockCache& blocks, const FirstBytes& first, uint64_t start, uint64_t dataStart,
                                   int64_t length, Head head) {
    const uint64_t dataEnd = start + dataStart + static_cast<uint64_t>(length);
    uint32_t endAfterData = 0;
    if (!endstreamAt(blocks, first, start, dataEnd, endAfterData)) return std::nullopt;
    head.isStream = true;
    head.dataEnd = dataEnd;
    if (endAfterData != 0) head.objectEnd = dataEnd - start + endAfterData;
    return head;
}

// The head of a stream as most writers lay it out, read without the lexer.
std::optional<Head> plainStreamHead(FileBlockCache& blocks, ReadMode mode, uint64_t start, const PlainStreamHead& plain,
                                    const FirstBytes& first) {
    if (mode == ReadMode::Recovering || !plain.lengthIsInteger) return std::nullopt;  // as below
    Head head;
    head.parsed = true;
    head.number = plain.number;
    head.generation = plain.generation;
    head.isObjectStream = plain.isObjectStream;
    return streamOfLength(blocks, first, start, plain.dataStart, plain.length, head);
}

// The same answer as the parser's, from the object's first bytes, for an object
// whose header and dictionary read plainly there (see DictionaryReader::plain)
// and whose Length, if it is a stream, is a number that leads to "endstream".
// Nothing when the parser must settle it.
std::optional<Head> skimHead(FileBlockCache& blocks, ReadMode mode, uint64_t start, int32_t expectedNumber,
                             const FirstBytes& first) {
    const uint8_t* const bytes = first.bytes;
    const auto headLength = static_cast<uint32_t>(first.size);
    if (const std::optional<PlainStreamHead> plain = matchPlainStreamHead(bytes, headLength);
        plain && plain->number == expectedNumber)
        return plainStreamHead(blocks, mode, start, *plain, first);
    using Reader = DictionaryReader<TextSource>;
    Head head;
    TextSource source(bytes, headLength);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    // A token that reaches the end of the head may go on in the file.
    const auto nextWhole = [&](PdfLexer<TextSource>& tokens, const TextSource& at) {
        tokens.lexToken(token);
        return at.where() < headLength;
    };
    if (!nextWhole(lexer, source) || !token.is(LexedToken::Kind::Integer)) return std::nullopt;
    head.number = token.integer;
    if (!nextWhole(lexer, source) || !token.is(LexedToken::Kind::Integer)) return std::nullopt;
    head.generation = token.integer;
    if (!nextWhole(lexer, source) || !token.isKeyword("obj")) return std::nullopt;
    if (head.number != expectedNumber) return Head{};
    head.parsed = true;
    if (!nextWhole(lexer, source)) return std::nullopt;
    if (!token.isKeyword("<<")) return head;

    Reader entries(source, source.where());
    entries.stopWhenNotPlain();
    bool lengthSeen = false, typeSeen = false;  // of two equal keys the first counts
    Reader::ValueKind lengthKind = Reader::ValueKind::Null;
    int64_t length = 0;
    while (entries.next()) {
        if (!lengthSeen && entries.keyIs("Length")) {
            lengthSeen = true;
            lengthKind = entries.valueKind();
            length = entries.wideInteger();
        } else if (!typeSeen && entries.keyIs("Type")) {
            typeSeen = true;
            if (entries.valueKind() == Reader::ValueKind::Reference) return std::nullopt;  // resolved by a fetch
            head.isObjectStream = entries.valueIs("ObjStm");
        }
    }
    if (!entries.closed() || !entries.plain()) return std::nullopt;
    TextSource after(bytes, headLength);
    after.rewindTo(entries.end());
    PdfLexer<TextSource> afterLexer(after);
    if (!nextWhole(afterLexer, after)) return std::nullopt;  // "stream" may follow beyond the head
    if (!token.isKeyword("stream")) {
        head.isObjectStream = false;
        if (token.isKeyword(keywords::objectEnd)) head.objectEnd = after.where();
        return head;
    }
    // A stream: its data starts after the line that "stream" ends. A damaged file's
    // Length is taken only as the parser takes it, after its search for the data's end.
    if (mode == ReadMode::Recovering || lengthKind != Reader::ValueKind::Integer || length < 0) return std::nullopt;
    afterLexer.skipToLineEnd();
    if (after.where() >= headLength) return std::nullopt;  // the line may go on beyond the head
    return streamOfLength(blocks, first, start, after.where(), length, head);
}

// The buffer for an object's first chunk, taken from its home for one locate and
// given back after it: one buffer serves the tens of thousands of objects that a walk
// or a copy locates, and a locate within a locate gets a buffer of its own.
struct BorrowedBuffer {
    explicit BorrowedBuffer(std::unique_ptr<uint8_t[]>& home)
        : home(home),
          held(home ? std::move(home) : std::make_unique_for_overwrite<uint8_t[]>(limits::firstEndobjChunkBytes)) {}
    ~BorrowedBuffer() { home = std::move(held); }
    BorrowedBuffer(const BorrowedBuffer&) = delete;
    BorrowedBuffer& operator=(const BorrowedBuffer&) = delete;

    std::unique_ptr<uint8_t[]>& home;
    std::unique_ptr<uint8_t[]> held;
};

// Into `buffer`, which holds the first chunk.
FirstBytes readFirstBytes(FileBlockCache& blocks, uint64_t start, uint64_t limit, uint8_t* buffer) {
    constexpr uint64_t pastRange = 64;  // what the words after a stream's data are looked for in
    FirstBytes first;
    const uint64_t wanted = std::min<uint64_t>(limit - start, limits::firstEndobjChunkBytes);
    const uint64_t asked = std::min<uint64_t>(limit - start + pastRange, limits::firstEndobjChunkBytes);
    first.bytes = buffer;
    first.read = blocks.readFully(start, buffer, static_cast<size_t>(asked));
    first.fileEndsThere = first.read < asked;
    first.size = std::min<size_t>(first.read, static_cast<size_t>(wanted));
    first.whole = first.size < wanted || wanted == limit - start;
    return first;
}

// Where the object's text ends as the lexer reads it from `from` on (counted from
// `start`): in the first bytes when they settle it, else in the file; 0 when no
// closing keyword ends it before `limit`.
uint64_t lexedEnd(FileBlockCache& blocks, const FirstBytes& first, uint64_t start, uint64_t limit, uint64_t from) {
    if (from < first.size) {
        if (const uint64_t end = findObjectEnd(first.bytes, first.size, from, first.whole).end) return end;
        if (first.whole) return 0;
    }
    return findObjectEndInFile(blocks, start, from, limit);
}

// Where the value of an object's text ends, for one without its closing keyword: after the
// "endstream" of a stream, after the ">>" of a dictionary, else where the text ends
// (white space and what a file puts after its objects left out).
size_t valueEnd(const std::vector<uint8_t>& bytes, const Head& head, uint64_t start) {
    const uint8_t* text = bytes.data();
    const size_t length = bytes.size();
    if (head.isStream) {
        if (head.dataEnd < start || head.dataEnd - start > length) return length;
        const uint8_t* found = searchBytes(text + (head.dataEnd - start), text + length, "endstream", 9);
        return found ? static_cast<size_t>(found - text) + 9 : length;
    }
    if (const uint32_t body = dictionaryAfterHeader(text, static_cast<uint32_t>(length))) {
        const DictionarySkim dictionary = skimDictionary(text, static_cast<uint32_t>(length), body);
        if (dictionary.closed) return dictionary.end;
    }
    size_t end = length;
    for (const char* tail : {"startxref", "trailer", "xref"}) {
        if (const uint8_t* found = searchBytes(text, text + end, tail, std::strlen(tail)))
            end = static_cast<size_t>(found - text);
    }
    while (end > 0 && pdfchar::isWhitespace(text[end - 1])) --end;
    return end;
}

// Recovering: an object whose "endstream" or closing keyword is missing ends with its
// data or its value, which must lie within what memory holds (without the keyword the range
// runs to the next object, which may be far: past a cross-reference table, say).
bool endWithValue(FileBlockCache& blocks, const Head& head, ObjectExtent& extent) {
    const uint64_t start = extent.start;
    uint64_t end = head.endstreamMissing ? head.dataEnd : extent.limit;
    const bool cut = !head.endstreamMissing && end > start && end - start > limits::inMemoryObjectBytes;
    if (cut) end = start + limits::inMemoryObjectBytes;
    if (end <= start || end - start > limits::inMemoryObjectBytes) return false;
    if (!head.endstreamMissing) {
        std::vector<uint8_t> text(static_cast<size_t>(end - start));
        text.resize(blocks.readFully(start, text.data(), text.size()));
        const size_t valueLength = valueEnd(text, head, start);
        if (cut && valueLength == text.size()) return false;
        end = start + valueLength;
    }
    extent.end = end;
    extent.ending = ObjectExtent::Ending::ValueOnly;
    return true;
}

}  // namespace

const ObjectLayout& ObjectExtents::layout() {
    if (!objectLayout) objectLayout.emplace(xref.getEntries(), xref.baseOffset(), xref.fileLength());
    return *objectLayout;
}

void ObjectExtents::forget() {
    objectLayout.reset();
    dictionaries = NumberMap<NotedDictionary>();
}

void ObjectExtents::noteDictionary(int32_t number, uint32_t opening, uint32_t length) {
    if (number < 0 || length == 0 || length >= NotedDictionary::aloneInObjectStream || opening >= length) return;
    noteAt(number) = {static_cast<uint16_t>(length), static_cast<uint16_t>(opening)};
}

void ObjectExtents::noteMemberDictionary(int32_t number, uint32_t opening, bool alone) {
    if (number < 0 || opening == 0 || opening > UINT16_MAX) return;
    const uint16_t mark = alone ? NotedDictionary::aloneInObjectStream : NotedDictionary::inObjectStream;
    noteAt(number) = {mark, static_cast<uint16_t>(opening)};
}

// A walk or a copy notes nearly every object: room for all of them is set aside
// at the first, not in doublings that each copy the notes.
ObjectExtents::NotedDictionary& ObjectExtents::noteAt(int32_t number) {
    if (dictionaries.count() == 0) dictionaries.expect(0, static_cast<size_t>(xref.getEntries().listedCount()));
    return dictionaries.at(number);
}

ObjectExtents::MemberDictionary ObjectExtents::memberDictionary(int32_t number) const {
    const NotedDictionary* dictionary = dictionaries.find(number);
    if (!dictionary || !dictionary->isMember()) return {};
    return {dictionary->opening, dictionary->length == NotedDictionary::aloneInObjectStream};
}

std::optional<ObjectExtent> ObjectExtents::noted(int32_t number, const XRefEntry& entry, uint64_t start,
                                                 uint64_t limit) {
    const NotedDictionary* dictionary = dictionaries.find(number);
    if (!dictionary || dictionary->length == 0 || dictionary->isMember() || start + dictionary->length > limit)
        return std::nullopt;
    ObjectExtent extent;
    extent.readable = true;
    extent.generation = entry.gen;
    extent.start = start;
    extent.limit = limit;
    extent.end = start + dictionary->length;
    extent.dictionaryOpening = dictionary->opening;
    return extent;
}

// The object's header must carry its own number, as for a lookup: anything else
// there is not this object's text. It ends where the lexer ends it; a stream whose
// Length leads to its "endstream" is read on from its data's end, so that data
// showing the word cannot cut it short.
ObjectExtent ObjectExtents::locate(int32_t number, const XRefEntry& entry) {
    ObjectExtent extent;
    FileBlockCache* blocks = xref.blockCache();
    if (!blocks) return extent;  // a document not read from a file has no raw text
    extent.start = entry.position(xref.baseOffset());
    extent.limit = layout().endOfObjectAt(extent.start);
    if (extent.limit <= extent.start) return extent;
    if (std::optional<ObjectExtent> seen = noted(number, entry, extent.start, extent.limit)) return *seen;

    const uint64_t start = extent.start, limit = extent.limit;
    const BorrowedBuffer buffer(firstBytesBuffer);
    const FirstBytes first = readFirstBytes(*blocks, start, limit, buffer.held.get());
    const std::optional<Head> skimmed =
        skimmingHeads ? skimHead(*blocks, xref.readMode(), start, number, first) : std::nullopt;
    const Head head = skimmed ? *skimmed : parseHead(xref, start, number);
    if (!head.parsed || head.number != number) return extent;
    extent.generation = head.generation;
    extent.isStream = head.isStream;
    extent.isObjectStream = head.isObjectStream;
    extent.dataEnd = head.dataEnd;
    extent.endstreamMissing = head.endstreamMissing;

    // The head's reader may have seen the closing keyword already, within the object's room.
    uint64_t end = head.objectEnd <= limit - start ? head.objectEnd : 0;
    if (end == 0 && head.isStream && head.dataEnd >= start)
        end = lexedEnd(*blocks, first, start, limit, head.dataEnd - start);
    if (end == 0 && !head.endstreamMissing) end = lexedEnd(*blocks, first, start, limit, 0);
    if (xref.readMode() == ReadMode::Recovering && (end == 0 || head.endstreamMissing)) {
        extent.readable = endWithValue(*blocks, head, extent);
        return extent;
    }
    if (end == 0) {
        const uint64_t last = findPatternInRange(*blocks, start, limit, keywords::objectEnd, 6);
        if (last == 0) return extent;
        end = last + 1 - start;
        extent.ending = ObjectExtent::Ending::FirstEndobj;
    }
    extent.end = start + end;
    extent.readable = true;
    return extent;
}
