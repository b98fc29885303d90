#include "parse/DictionaryText.h"

namespace {

bool opensContainer(const CPdfElement& token) { return token.isKeyword("<<") || token.isKeyword("["); }
bool closesContainer(const CPdfElement& token) { return token.isKeyword(">>") || token.isKeyword("]"); }

}  // namespace

DictionaryText::DictionaryText(const uint8_t* text, uint32_t length, uint32_t start)
    : source(text, length), lexer(source) {
    source.rewindTo(start);
}

void DictionaryText::readToken(CPdfElement& token) {
    token.clear();
    lexer.readToken(token);
}

bool DictionaryText::next() {
    if (sawClose) return false;
    if (closeAfterEntry) {
        sawClose = true;
        return false;
    }
    for (;;) {
        readToken(key);
        if (key.is(ElementType::EndOfFile)) return false;
        if (key.isKeyword(">>")) {
            sawClose = true;
            closeEnd = source.where();
            return false;
        }
        if (key.is(ElementType::Name)) break;
    }
    keyEndsAt = source.where();
    readToken(value);
    if (value.is(ElementType::EndOfFile)) return false;
    if (value.isKeyword(">>")) {
        // A key without a value: the dictionary ends with it.
        kind = ValueKind::Missing;
        valueEndsAt = keyEndsAt;
        closeAfterEntry = true;
        closeEnd = source.where();
        return true;
    }
    classifyValue();
    valueEndsAt = source.where();
    return true;
}

void DictionaryText::classifyValue() {
    if (value.is(ElementType::Integer)) {
        number = value.integer();
        kind = completeReference() ? ValueKind::Reference : ValueKind::Integer;
    } else if (value.is(ElementType::Real)) {
        kind = ValueKind::Real;
        realValue = value.real();
    } else if (value.is(ElementType::Name)) {
        kind = ValueKind::Name;
    } else {
        kind = ValueKind::Other;
        if (opensContainer(value)) skipContainer();
    }
}

// An integer followed by an integer and "R" is a reference; otherwise the position
// goes back to just after the first integer.
bool DictionaryText::completeReference() {
    const uint32_t afterFirst = source.where();
    CPdfElement second, keyword;
    readToken(second);
    readToken(keyword);
    if (second.is(ElementType::Integer) && keyword.isKeyword("R")) {
        referenceGeneration = second.integer();
        return true;
    }
    source.rewindTo(afterFirst);
    return false;
}

void DictionaryText::skipContainer() {
    CPdfElement token;
    for (int depth = 1; depth > 0;) {
        readToken(token);
        if (token.is(ElementType::EndOfFile)) return;
        if (opensContainer(token)) ++depth;
        else if (closesContainer(token)) --depth;
    }
}

uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    CPdfElement token;
    do {
        token.clear();
        lexer.readToken(token);
    } while (!token.is(ElementType::EndOfFile) && !token.isKeyword("obj"));
    token.clear();
    lexer.readToken(token);
    return token.isKeyword("<<") ? source.where() : 0;
}
