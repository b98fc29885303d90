#include "parse/SievedDictionary.h"

#include <string>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "parse/DictionaryReader.h"
#include "parse/PlainDictionary.h"
#include "parse/ValueSieve.h"

namespace {

using Reader = DictionaryReader<TextSource>;

// A value of one or three tokens ("n g R"), made as the parser makes it.
bool makeSimple(const Reader& entries, CPdfElement& value) {
    switch (entries.valueKind()) {
    case Reader::ValueKind::Integer:
        value.setInteger(entries.wideInteger(), entries.integerModulo360());
        return true;
    case Reader::ValueKind::Real:
        value.setReal(entries.real());
        return true;
    case Reader::ValueKind::Reference:
        value.setReference(entries.integer(), entries.generation());
        return true;
    case Reader::ValueKind::Name:
        value.makeName(std::string(entries.name()).c_str());
        return true;
    case Reader::ValueKind::Boolean:
        value.setBoolean(entries.integer() != 0);
        return true;
    case Reader::ValueKind::Null:
        value.setNull();
        return true;
    default:
        return false;
    }
}

// An array element that is one token or a reference; false for anything else.
bool makeElement(PdfLexer<TextSource>& lexer, TextSource& source, LexedToken& token, CPdfElement& element) {
    using Kind = LexedToken::Kind;
    switch (token.kind) {
    case Kind::Integer: {
        const int64_t number = token.wide;
        const int32_t modulo360 = token.modulo360;
        const uint32_t afterFirst = source.where();
        lexer.lexToken(token);
        if (token.is(Kind::Integer)) {
            const int32_t generation = token.integer;
            lexer.lexToken(token);
            if (token.isKeyword("R")) {
                element.setReference(CPdfElement::heldAt32Bits(number), generation);
                return true;
            }
        }
        source.rewindTo(afterFirst);
        element.setInteger(number, modulo360);
        return true;
    }
    case Kind::Real:
        element.setReal(token.real());
        return true;
    case Kind::Name:
        element.makeName(std::string(token.name()).c_str());
        return true;
    case Kind::Boolean:
        element.setBoolean(token.integer != 0);
        return true;
    case Kind::Null:
        element.setNull();
        return true;
    default:
        return false;
    }
}

// The array that follows the key ending at `keyEnd`, each element offered to the
// sieve as the parser offers it. Every element made counts in `values`.
bool makeArray(const uint8_t* text, uint32_t length, uint32_t keyEnd, std::string_view key, IndirectObjectHolder* xref,
               ValueSieve& sieve, CPdfElement& array, uint64_t& values) {
    TextSource source(text, length);
    source.rewindTo(keyEnd);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    lexer.lexToken(token);
    if (!token.isKeyword("[")) return false;
    array.makeArray(xref);
    for (uint32_t offered = 0;;) {
        lexer.lexToken(token);
        if (token.isKeyword("]")) return true;
        CPdfElement element;
        if (!makeElement(lexer, source, token, element)) return false;
        if (++values > limits::maximumValuesPerObject) return false;  // the parser fails there
        if (sieve.keepsElement(key, offered++, element)) array.array()->add(std::move(element));
    }
}

// Whether the token after the dictionary is settled and is not a stream's start;
// when it ends the object, `objectEnd` gets where it ends.
bool headsNoStream(const uint8_t* text, uint32_t length, uint32_t end, bool textIsWhole, uint32_t& objectEnd) {
    TextSource source(text, length);
    source.rewindTo(end);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    lexer.lexToken(token);
    if (!textIsWhole && source.where() >= length) return false;
    if (token.isKeyword(keywords::objectEnd)) objectEnd = source.where();
    return !token.isKeyword(keywords::streamStart);
}

}  // namespace

SievedRead readSievedDictionary(const uint8_t* text, uint32_t length, bool textIsWhole, IndirectObjectHolder* xref,
                                ValueSieve& sieve, CPdfElement& out, DictionarySpan* span) {
    DictionarySpan plainSpan;
    if (readPlainDictionary(text, length, textIsWhole, xref, sieve, out, plainSpan)) {
        if (span) *span = plainSpan;
        return SievedRead::Built;
    }
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    lexer.lexToken(token);
    if (!token.isKeyword("<<")) return SievedRead::ForTheParser;
    const uint32_t opening = source.where();
    Reader entries(source, opening);
    entries.stopWhenNotPlain();
    CPdfElement dictionary;
    dictionary.makeDictionary(xref);
    uint64_t values = 1;  // the dictionary itself
    while (entries.next()) {
        if (!sieve.keeps(entries.key())) continue;
        CPdfElement value;
        if (!makeSimple(entries, value)) {
            if (entries.valueKind() != Reader::ValueKind::Array) return SievedRead::ForTheParser;
            if (!makeArray(text, length, entries.keyEnd(), entries.key(), xref, sieve, value, values)) {
                const bool cutShort = !textIsWhole && !entries.containerClosed() && entries.plain();
                return cutShort ? SievedRead::TextTooShort : SievedRead::ForTheParser;
            }
        }
        if (++values > limits::maximumValuesPerObject) return SievedRead::ForTheParser;
        dictionary.dictionary()->add(entries.key(), std::move(value));
    }
    if (!entries.plain()) return SievedRead::ForTheParser;
    if (!entries.closed()) return textIsWhole ? SievedRead::ForTheParser : SievedRead::TextTooShort;
    uint32_t closingEnd = 0;
    if (!headsNoStream(text, length, entries.end(), textIsWhole, closingEnd)) return SievedRead::ForTheParser;
    if (span) *span = {opening, closingEnd};
    out.takeFrom(dictionary);
    return SievedRead::Built;
}
