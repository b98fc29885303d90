#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "parse/Keywords.h"
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
// The shape of a value nested in a dictionary, followed token by token: each
// container closed by its own kind of bracket, and in each dictionary a name key
// before every value, a value after every key (a container, "n g R" or one
// token). Deeper than a few dozen levels it gives up.
class NestedShape {
public:
    // The value opens with "<<" (`dictionary`) or "[".
    explicit NestedShape(bool dictionary) { open(dictionary); }

    // Whether the innermost container is an array, where any number fits.
    bool inArray() const { return depth >= 1 && depth <= deepest && states[depth - 1] == State::Array; }
    // Takes the next token; false when the shape is not plain. Every bracket
    // counts toward the depth, fitting or not, so that it stays the reader's.
    bool accepts(const LexedToken& token) {
        if (token.closesContainer()) return close(token.isKeyword(">>"));
        const bool fits = depth >= 1 && depth <= deepest && fitsState(token);
        if (token.opensContainer()) open(token.isKeyword("<<"));
        return fits;
    }

private:
    enum class State : uint8_t { Array, Key, Value, AfterInteger, AfterGeneration };
    static constexpr int deepest = 64;

    bool fitsState(const LexedToken& token) {
        State& state = states[depth - 1];
        switch (state) {
        case State::Array:
            return true;
        case State::Key:
            if (!token.is(LexedToken::Kind::Name)) return false;
            state = State::Value;
            return true;
        case State::Value:
            state = token.is(LexedToken::Kind::Integer) ? State::AfterInteger : State::Key;
            return true;
        case State::AfterInteger:  // a value ended, or a reference goes on
            if (token.is(LexedToken::Kind::Integer)) {
                state = State::AfterGeneration;
                return true;
            }
            if (!token.is(LexedToken::Kind::Name)) return false;
            state = State::Value;
            return true;
        case State::AfterGeneration:
            if (!token.isKeyword("R")) return false;
            state = State::Key;
            return true;
        }
        return false;
    }
    bool close(bool dictionary) {
        const bool tracked = depth >= 1 && depth <= deepest;
        const State state = tracked ? states[depth - 1] : State::Array;
        const bool fits =
            tracked && (dictionary ? state == State::Key || state == State::AfterInteger : state == State::Array);
        if (depth > 0) --depth;
        if (depth >= 1 && depth <= deepest && states[depth - 1] != State::Array) states[depth - 1] = State::Key;
        return fits;
    }
    void open(bool dictionary) {
        if (++depth <= deepest) states[depth - 1] = dictionary ? State::Key : State::Array;
    }

    State states[deepest];
    int depth = 0;
};

// A key or a name read by the reader, kept in place when it is short (as nearly every
// key and name is), so that the hot loop makes no call to the string library's
// assignment; a longer one goes to a string.
class NameText {
public:
    void assign(std::string_view text) {
        if (text.size() <= sizeof(shortText)) {
            if (!text.empty()) std::memcpy(shortText, text.data(), text.size());
            shortLength = static_cast<uint8_t>(text.size());
            isShort = true;
        } else {
            longText.assign(text);
            isShort = false;
        }
    }
    std::string_view view() const { return isShort ? std::string_view(shortText, shortLength) : longText; }

private:
    char shortText[40];
    uint8_t shortLength = 0;
    bool isShort = true;
    std::string longText;
};

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
    std::string_view key() const { return keyText.view(); }
    bool keyIs(std::string_view name) const { return keyText.view() == name; }
    // Where the entry's text starts: just after the token before the key, so that
    // the white space and comments before the key belong to it.
    uint32_t entryStart() const { return entryStartsAt; }
    uint32_t keyEnd() const { return keyEndsAt; }
    // Just after the whole value (the key's end for a Missing value).
    uint32_t valueEnd() const { return valueEndsAt; }

    ValueKind valueKind() const { return kind; }
    // An Integer's value, or a Reference's object number, held at the 32-bit limits; 1 for true.
    int32_t integer() const { return CPdfElement::heldAt32Bits(number); }
    // An Integer's value held at the 64-bit limits.
    int64_t wideInteger() const { return number; }
    // An Integer as written, modulo 360 with its sign (see LexedToken).
    int32_t integerModulo360() const { return numberModulo360; }
    int32_t generation() const { return referenceGeneration; }
    double real() const { return realValue; }
    // A Name value, decoded as the key is; until the next call of next().
    std::string_view name() const { return valueText.view(); }
    bool valueIs(std::string_view wanted) const { return kind == ValueKind::Name && valueText.view() == wanted; }
    // A Dictionary or an Array value that the text closes.
    bool containerClosed() const { return closedContainer; }

    // Every key a name and every key with a value, also in nested dictionaries;
    // every container closed by its own kind of bracket; no Error token, no keyword
    // that frames objects (see Keywords.h), and nesting no
    // deeper than a few dozen levels. The parser then pairs the entries as the
    // reader does, and neither fails nor stops early (it might on any of those).
    bool plain() const { return isPlain; }
    // For a reader that only wants plain dictionaries: reading stops as soon as
    // the dictionary is not plain, rather than pass over the rest of the text.
    void stopWhenNotPlain() { stopEarly = true; }

    bool closed() const { return sawClose; }
    // Just after the ">>" that closes the dictionary once closed(); otherwise where
    // reading stopped.
    uint32_t end() const { return closed() ? closeEnd : source.where(); }

private:
    void readValue();
    bool skipContainer();
    void notePlainness();
    bool completesReference();

    Source source;
    PdfLexer<Source> lexer;
    LexedToken token;
    NameText keyText;
    NameText valueText;
    uint32_t entryStartsAt = 0;
    uint32_t keyEndsAt = 0;
    uint32_t valueEndsAt = 0;
    ValueKind kind = ValueKind::Other;
    int64_t number = 0;
    int32_t numberModulo360 = 0;
    int32_t referenceGeneration = 0;
    double realValue = 0;
    bool closedContainer = false;
    bool isPlain = true;
    bool stopEarly = false;
    bool sawClose = false;
    bool closeAfterEntry = false;  // the last value was the ">>" itself
    uint32_t closeEnd = 0;
};

template <class Source>
bool DictionaryReader<Source>::next() {
    if (sawClose || (stopEarly && !isPlain)) return false;
    if (closeAfterEntry) {
        sawClose = true;
        return false;
    }
    for (;;) {
        entryStartsAt = source.where();
        lexer.lexToken(token);
        notePlainness();
        if (token.is(LexedToken::Kind::EndOfFile)) return false;
        if (token.isKeyword(">>")) {
            sawClose = true;
            closeEnd = source.where();
            return false;
        }
        if (token.is(LexedToken::Kind::Name)) break;
        isPlain = false;  // passed over where a key belongs
    }
    keyText.assign(token.name());
    keyEndsAt = source.where();
    lexer.lexToken(token);
    notePlainness();
    if (token.is(LexedToken::Kind::EndOfFile)) return false;
    if (token.isKeyword(">>")) {
        // A key without a value: the dictionary ends with it.
        isPlain = false;
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
        number = token.wide;
        numberModulo360 = token.modulo360;
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
    case Kind::Null:
        kind = ValueKind::Null;
        return;
    case Kind::String:
        kind = ValueKind::String;
        return;
    default:
        break;
    }
    if (token.opensContainer()) {
        kind = token.isKeyword("<<") ? ValueKind::Dictionary : ValueKind::Array;
        closedContainer = skipContainer();
        return;
    }
    kind = ValueKind::Other;
}

// Dictionaries and arrays count alike: a "]" closes a "<<" as the scanners have
// always read it. False when the text ends first. On the way, each nested
// dictionary's entries are paired as the parser pairs them, to tell whether the
// value is plain (see plain()).
template <class Source>
bool DictionaryReader<Source>::skipContainer() {
    NestedShape shape(token.isKeyword("<<"));
    for (int depth = 1; depth > 0;) {
        if (shape.inArray()) lexer.passOverNumbers();  // a box, a matrix: nothing there changes the reading
        lexer.lexToken(token);
        notePlainness();
        if (token.is(LexedToken::Kind::EndOfFile)) return false;
        if (!shape.accepts(token)) isPlain = false;
        if (stopEarly && !isPlain) return false;
        if (token.opensContainer()) ++depth;
        else if (token.closesContainer()) --depth;
    }
    return true;
}

template <class Source>
void DictionaryReader<Source>::notePlainness() {
    if (token.is(LexedToken::Kind::Error)) isPlain = false;
    if (!token.is(LexedToken::Kind::Keyword)) return;
    if (keywords::framesObject(token)) isPlain = false;
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
