#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "parse/PdfLexer.h"

// The top-level entries of a dictionary in object text, read with the lexer and
// paired as the text scanners pair them, without building a value: each key,
// where it and its value lie, and what a simple value is. Nested dictionaries and
// arrays are passed over to their close (a container the text leaves open runs to
// the text's end), as are strings, hex strings and comments.
//
// Where a key belongs, anything but a name is passed over; a ">>" there, or where
// a value belongs, closes the dictionary. Which of two equal keys counts is the
// caller's rule: the reader gives every entry in the text's order.
template <class Source>
class DictionaryReader {
public:
    enum class ValueKind {
        Integer,
        Real,
        Reference,  // "n g R"
        Name,
        Boolean,
        Null,
        String,
        Dictionary,  // passed over to its close
        Array,       // passed over to its close
        Missing,     // the dictionary closes right after the key
        Other,       // a keyword or an Error token
    };

    // `start`: just after the "<<" that opens the dictionary in `source`.
    DictionaryReader(Source source, uint32_t start) : source(std::move(source)), lexer(this->source) {
        this->source.rewindTo(start);
    }
    DictionaryReader(const DictionaryReader&) = delete;
    DictionaryReader& operator=(const DictionaryReader&) = delete;

    // Moves to the next entry. False at the dictionary's end (closed() says whether
    // its ">>" was read) or at the end of the text.
    bool next();

    // The key, its #xx escapes decoded, up to a NUL it decodes to (as the parser
    // keeps keys); until the next call of next().
    std::string_view key() const { return keyText; }
    bool keyIs(std::string_view name) const { return keyText == name; }
    // Where the entry's text starts: just after the token before the key, so that
    // the white space and comments before the key belong to it.
    uint32_t entryStart() const { return entryStartsAt; }
    uint32_t keyEnd() const { return keyEndsAt; }
    // Just after the whole value (the key's end for a Missing value).
    uint32_t valueEnd() const { return valueEndsAt; }

    ValueKind valueKind() const { return kind; }
    // An Integer's value, or a Reference's object number; 1 for true.
    int32_t integer() const { return number; }
    int32_t generation() const { return referenceGeneration; }
    double real() const { return realValue; }
    // A Name value, decoded as the key is; until the next call of next().
    std::string_view name() const { return valueText; }
    bool valueIs(std::string_view wanted) const { return kind == ValueKind::Name && valueText == wanted; }
    // A Dictionary or an Array value that the text closes.
    bool containerClosed() const { return closedContainer; }

    bool closed() const { return sawClose; }
    // Just after the ">>" that closes the dictionary once closed(); otherwise where
    // reading stopped.
    uint32_t end() const { return closed() ? closeEnd : source.where(); }

private:
    void readValue();
    bool skipContainer();
    bool completesReference();

    Source source;
    PdfLexer<Source> lexer;
    LexedToken token;
    std::string keyText;
    std::string valueText;
    uint32_t entryStartsAt = 0;
    uint32_t keyEndsAt = 0;
    uint32_t valueEndsAt = 0;
    ValueKind kind = ValueKind::Other;
    int32_t number = 0;
    int32_t referenceGeneration = 0;
    double realValue = 0;
    bool closedContainer = false;
    bool sawClose = false;
    bool closeAfterEntry = false;  // the last value was the ">>" itself
    uint32_t closeEnd = 0;
};

template <class Source>
bool DictionaryReader<Source>::next() {
    if (sawClose) return false;
    if (closeAfterEntry) {
        sawClose = true;
        return false;
    }
    for (;;) {
        entryStartsAt = source.where();
        lexer.lexToken(token);
        if (token.is(LexedToken::Kind::EndOfFile)) return false;
        if (token.isKeyword(">>")) {
            sawClose = true;
            closeEnd = source.where();
            return false;
        }
        if (token.is(LexedToken::Kind::Name)) break;
    }
    keyText.assign(token.name());
    keyEndsAt = source.where();
    lexer.lexToken(token);
    if (token.is(LexedToken::Kind::EndOfFile)) return false;
    if (token.isKeyword(">>")) {
        // A key without a value: the dictionary ends with it.
        kind = ValueKind::Missing;
        valueEndsAt = keyEndsAt;
        closeAfterEntry = true;
        closeEnd = source.where();
        return true;
    }
    readValue();
    valueEndsAt = source.where();
    return true;
}

template <class Source>
void DictionaryReader<Source>::readValue() {
    using Kind = LexedToken::Kind;
    closedContainer = false;
    switch (token.kind) {
    case Kind::Integer:
        number = token.integer;
        kind = completesReference() ? ValueKind::Reference : ValueKind::Integer;
        return;
    case Kind::Real:
        kind = ValueKind::Real;
        realValue = token.real();
        return;
    case Kind::Name:
        kind = ValueKind::Name;
        valueText.assign(token.name());
        return;
    case Kind::Boolean:
        kind = ValueKind::Boolean;
        number = token.integer;
        return;
    case Kind::Null: kind = ValueKind::Null; return;
    case Kind::String: kind = ValueKind::String; return;
    default: break;
    }
    if (token.opensContainer()) {
        kind = token.isKeyword("<<") ? ValueKind::Dictionary : ValueKind::Array;
        closedContainer = skipContainer();
        return;
    }
    kind = ValueKind::Other;
}

// Dictionaries and arrays count alike: a "]" closes a "<<" as the scanners have
// always read it. False when the text ends first.
template <class Source>
bool DictionaryReader<Source>::skipContainer() {
    for (int depth = 1; depth > 0;) {
        lexer.lexToken(token);
        if (token.is(LexedToken::Kind::EndOfFile)) return false;
        if (token.opensContainer()) ++depth;
        else if (token.closesContainer()) --depth;
    }
    return true;
}

// After an integer: an integer and "R" make it a reference (the second is its
// generation); otherwise the position goes back to just after the first.
template <class Source>
bool DictionaryReader<Source>::completesReference() {
    const uint32_t afterFirst = source.where();
    lexer.lexToken(token);
    if (token.is(LexedToken::Kind::Integer)) {
        const int32_t generation = token.integer;
        lexer.lexToken(token);
        if (token.isKeyword("R")) {
            referenceGeneration = generation;
            return true;
        }
    }
    source.rewindTo(afterFirst);
    return false;
}
