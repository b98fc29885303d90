#include "parse/PlainDictionary.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "parse/CharacterClass.h"
#include "parse/Keywords.h"
#include "parse/ValueSieve.h"

namespace {

// Nested containers deeper than this are left to the lexer.
constexpr int deepestNesting = 16;
// Integers of more digits are left to the lexer, which saturates them.
constexpr uint32_t mostIntegerDigits = 18;
constexpr uint32_t mostGenerationDigits = 9;

// An unsigned integer as read: its value and where it ends.
struct Digits {
    int64_t value = 0;
    uint32_t end = 0;
};

// Reads forward through the text. A token is whole when a byte that ends it
// follows it within the text, or when it ends the text and the text is whole.
class PlainCursor {
public:
    PlainCursor(const uint8_t* bytes, uint32_t size, bool whole) : bytes(bytes), size(size), whole(whole) {}

    uint32_t where() const { return at; }
    bool atEnd() const { return at >= size; }
    // Whether a delimiter token that ends here is whole: more text follows, or the text is whole.
    bool closedHere() const { return at < size || whole; }
    uint8_t peek() const { return bytes[at]; }
    void pass(uint32_t count) { at += count; }

    void skipWhitespace() { at = afterWhitespace(at); }
    // Whether the byte at `place` ends a token of regular bytes: white space or a
    // delimiter, or the end of a whole text.
    bool endsWord(uint32_t place) const { return place < size ? !pdfchar::isRegular(bytes[place]) : whole; }
    bool follows(std::string_view text) const {
        return size - at >= text.size() && std::memcmp(bytes + at, text.data(), text.size()) == 0;
    }
    // A delimiter token of two bytes ("<<", ">>"): whole unless it ends a text that is not.
    bool pair(std::string_view text) {
        if (!follows(text) || (size - at == text.size() && !whole)) return false;
        at += static_cast<uint32_t>(text.size());
        return true;
    }
    // A name after its "/": regular bytes without "#", at least one.
    bool name(std::string_view& text) {
        const uint32_t end = nameEnd();
        if (end == 0) return false;
        text = {reinterpret_cast<const char*>(bytes) + at + 1, end - at - 1};
        at = end;
        return true;
    }
    bool passOverName() {
        const uint32_t end = nameEnd();
        if (end == 0) return false;
        at = end;
        return true;
    }
    // Unsigned digits from `from`, up to `most` of them, ending a word (no point follows).
    std::optional<Digits> digitsAt(uint32_t from, uint32_t most) const {
        uint32_t end = from;
        int64_t value = 0;
        while (end < size && pdfchar::isDigit(bytes[end]) && end - from < most)
            value = value * 10 + (bytes[end++] - '0');
        if (end == from || !endsWord(end)) return std::nullopt;
        return Digits{value, end};
    }
    // Where the white space that starts at `from` ends; `from` itself when there is none.
    uint32_t afterWhitespace(uint32_t from) const {
        while (from < size && pdfchar::isWhitespace(bytes[from])) ++from;
        return from;
    }
    // "g R" after an object number ending here, parted by white space: its
    // generation, the cursor then past the "R"; nothing (the cursor unmoved) otherwise.
    std::optional<int32_t> referenceTail() {
        // Nearly every reference is written " 0 R": that is read at once, as the
        // steps below would read it.
        if (size - at >= 4 && std::memcmp(bytes + at, " 0 R", 4) == 0 && endsWord(at + 4)) {
            at += 4;
            return 0;
        }
        const uint32_t generationStart = afterWhitespace(at);
        const std::optional<Digits> found =
            generationStart == at ? std::nullopt : digitsAt(generationStart, mostGenerationDigits);
        if (!found) return std::nullopt;
        const uint32_t keywordAt = afterWhitespace(found->end);
        if (keywordAt == found->end || keywordAt >= size || bytes[keywordAt] != 'R' || !endsWord(keywordAt + 1))
            return std::nullopt;
        at = keywordAt + 1;
        return static_cast<int32_t>(found->value);
    }
    // A number as the lexer reads one, a sign and then digits and points (at least
    // one digit), whose value nobody reads: whether it is an integer, or nothing
    // when none stands here.
    std::optional<bool> passOverNumber() {
        uint32_t end = at;
        if (bytes[end] == '-' || bytes[end] == '+') ++end;
        bool anyDigit = false, isInteger = true;
        for (; end < size; ++end) {
            if (pdfchar::isDigit(bytes[end])) anyDigit = true;
            else if (bytes[end] == '.') isInteger = false;
            else break;
        }
        if (!anyDigit || !endsWord(end)) return std::nullopt;
        at = end;
        return isInteger;
    }
    // The keyword "R" of a reference, where the lexer reads it as a word of its own.
    bool referenceKeyword() {
        if (bytes[at] != 'R' || !endsWord(at + 1)) return false;
        ++at;
        return true;
    }
    // A number as the lexer reads one: a sign, then digits and points, at least one digit.
    bool number(bool& isInteger, bool& negative, int64_t& magnitude) {
        uint32_t end = at;
        negative = bytes[end] == '-';
        if (bytes[end] == '-' || bytes[end] == '+') ++end;
        const uint32_t from = end;
        uint32_t digitCount = 0;
        isInteger = true;
        magnitude = 0;
        for (; end < size && (pdfchar::isDigit(bytes[end]) || bytes[end] == '.'); ++end) {
            if (bytes[end] == '.') {
                isInteger = false;
            } else if (++digitCount <= mostIntegerDigits) {
                magnitude = magnitude * 10 + (bytes[end] - '0');
            }
        }
        if (digitCount == 0 || digitCount > mostIntegerDigits || end == from || !endsWord(end)) return false;
        at = end;
        return true;
    }

private:
    // Where a name that starts here ends, or 0 when none does (no "/", no byte after
    // it, an escape, or a word that may go on beyond the text).
    uint32_t nameEnd() const {
        if (at >= size || bytes[at] != '/') return 0;
        const uint32_t from = at + 1;
        const uint32_t end = pdfchar::plainNameEnd(bytes, from, size);
        if (end == from || (end < size && bytes[end] == '#') || !endsWord(end)) return 0;
        return end;
    }

    const uint8_t* bytes;
    uint32_t size;
    bool whole;
    uint32_t at = 0;
};

class PlainReader {
public:
    PlainReader(const uint8_t* text, uint32_t length, bool whole, IndirectObjectHolder* xref, ValueSieve& sieve)
        : cursor(text, length, whole), xref(xref), sieve(sieve) {}

    bool read(CPdfElement& out, DictionarySpan& span) {
        cursor.skipWhitespace();
        if (!cursor.pair("<<")) return false;
        sieve.startDictionary();
        const uint32_t opening = cursor.where();
        CPdfElement dictionary;
        dictionary.makeDictionary(xref);
        for (;;) {
            cursor.skipWhitespace();
            if (cursor.pair(">>")) break;
            std::string_view key;
            if (!cursor.name(key)) return false;
            cursor.skipWhitespace();
            if (!sieve.keeps(key)) {
                if (!passOverValue(0, false)) return false;
                continue;
            }
            CPdfElement value;
            if (!keptValue(key, value) || ++values > limits::maximumValuesPerObject) return false;
            if (sieve.takes(key, value)) continue;
            dictionary.dictionary()->add(key, std::move(value));
        }
        if (!closing(span)) return false;
        span.opening = opening;
        out.takeFrom(dictionary);
        sieve.dictionaryRead(out);
        return true;
    }

private:
    // After the dictionary: nothing in a whole text, or "endobj".
    bool closing(DictionarySpan& span) {
        cursor.skipWhitespace();
        span.alone = false;
        if (cursor.atEnd()) {
            span.objectEnd = 0;
            span.alone = cursor.closedHere();
            return span.alone;
        }
        const std::string_view keyword = keywords::objectEnd;
        if (!cursor.follows(keyword) || !cursor.endsWord(cursor.where() + static_cast<uint32_t>(keyword.size())))
            return false;
        span.objectEnd = cursor.where() + static_cast<uint32_t>(keyword.size());
        return true;
    }
    // A name, an integer or a reference, or an array of those.
    bool keptValue(std::string_view key, CPdfElement& value) {
        if (cursor.atEnd()) return false;
        if (cursor.peek() != '[') return simpleValue(value);
        cursor.pass(1);
        value.makeArray(xref);
        for (uint32_t offered = 0;;) {
            cursor.skipWhitespace();
            if (cursor.atEnd()) return false;
            if (cursor.peek() == ']') {
                cursor.pass(1);
                return cursor.closedHere();
            }
            CPdfElement element;
            if (!simpleValue(element) || ++values > limits::maximumValuesPerObject) return false;
            if (sieve.keepsElement(key, offered++, element)) value.array()->add(std::move(element));
        }
    }

    // A name, an integer or a reference. Two integers that make no reference are
    // two elements in an array; in a dictionary the second stands where a key
    // belongs, and the caller declines there.
    bool simpleValue(CPdfElement& value) {
        std::string_view name;
        if (cursor.peek() == '/') {
            if (!cursor.name(name)) return false;
            value.makeName(name);
            return true;
        }
        bool isInteger = false, negative = false;
        int64_t magnitude = 0;
        const bool unsignedStart = pdfchar::isDigit(cursor.peek());
        if (!cursor.number(isInteger, negative, magnitude) || !isInteger) return false;
        if (const std::optional<int32_t> generation = unsignedStart ? cursor.referenceTail() : std::nullopt) {
            value.setReference(CPdfElement::heldAt32Bits(magnitude), *generation);
            return true;
        }
        value.setInteger(negative ? -magnitude : magnitude,
                         static_cast<int32_t>(negative ? -(magnitude % 360) : magnitude % 360));
        return true;
    }

    // A value that is not built: a name, a number, a reference, or a container of
    // those. In an array any token fits where a value would,
    // the "R" of a reference among them; in a dictionary two integers must make a
    // reference with the "R" after them.
    bool passOverValue(int depth, bool inArray) {
        if (cursor.atEnd()) return false;
        const uint8_t first = cursor.peek();
        if (first == '/') return cursor.passOverName();
        if (first == '[') return depth < deepestNesting && passOverArray(depth + 1);
        if (first == '<') return depth < deepestNesting && cursor.follows("<<") && passOverDictionary(depth + 1);
        if (inArray && cursor.referenceKeyword()) return true;
        const std::optional<bool> isInteger = cursor.passOverNumber();
        if (!isInteger) return false;
        if (!inArray && *isInteger && pdfchar::isDigit(first)) cursor.referenceTail();  // "g R" is passed over too
        return true;
    }
    bool passOverArray(int depth) {
        cursor.pass(1);
        for (;;) {
            cursor.skipWhitespace();
            if (cursor.atEnd()) return false;
            if (cursor.peek() == ']') {
                cursor.pass(1);
                return cursor.closedHere();
            }
            // A number stands in most arrays (a box, a matrix): passed over as the
            // value would pass it over, without asking what else it might be.
            if (pdfchar::isDigit(cursor.peek()) ? !cursor.passOverNumber() : !passOverValue(depth, true)) return false;
        }
    }
    // Every key a name, every key with a value; after an integer that makes no
    // reference, a key or the close.
    bool passOverDictionary(int depth) {
        cursor.pass(2);
        for (;;) {
            cursor.skipWhitespace();
            if (cursor.pair(">>")) return true;
            if (!cursor.passOverName()) return false;
            cursor.skipWhitespace();
            if (!passOverValue(depth, false)) return false;
        }
    }

    PlainCursor cursor;
    IndirectObjectHolder* xref;
    ValueSieve& sieve;
    uint64_t values = 1;  // the dictionary itself
};

}  // namespace

bool readPlainDictionary(const uint8_t* text, uint32_t length, bool textIsWhole, IndirectObjectHolder* xref,
                         ValueSieve& sieve, CPdfElement& out, DictionarySpan& span) {
    if (length == 0) return false;
    PlainReader reader(text, length, textIsWhole, xref, sieve);
    return reader.read(out, span);
}
