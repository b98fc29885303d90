#include "rawtext/DictionaryText.h"

DictionaryText::DictionaryText(const uint8_t* text, uint32_t length, uint32_t start) : tokens(text, length) {
    tokens.rewindTo(start);
}

bool DictionaryText::next() {
    if (sawClose) return false;
    if (closeAfterEntry) {
        sawClose = true;
        return false;
    }
    for (;;) {
        tokens.next(key);
        if (key.is(ElementType::EndOfFile)) return false;
        if (key.isKeyword(">>")) {
            sawClose = true;
            closeEnd = tokens.where();
            return false;
        }
        if (key.is(ElementType::Name)) break;
    }
    keyEndsAt = tokens.where();
    tokens.next(value);
    if (value.is(ElementType::EndOfFile)) return false;
    if (value.isKeyword(">>")) {
        // A key without a value: the dictionary ends with it.
        kind = ValueKind::Missing;
        valueEndsAt = keyEndsAt;
        closeAfterEntry = true;
        closeEnd = tokens.where();
        return true;
    }
    classifyValue();
    valueEndsAt = tokens.where();
    return true;
}

void DictionaryText::classifyValue() {
    if (value.is(ElementType::Integer)) {
        number = value.integer();
        kind = completeReference(tokens, referenceGeneration) ? ValueKind::Reference : ValueKind::Integer;
    } else if (value.is(ElementType::Real)) {
        kind = ValueKind::Real;
        realValue = value.real();
    } else if (value.is(ElementType::Name)) {
        kind = ValueKind::Name;
    } else {
        kind = ValueKind::Other;
        skipValue(tokens, value);
    }
}

uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length) {
    TextTokens tokens(text, length);
    CPdfElement token;
    do tokens.next(token);
    while (!token.is(ElementType::EndOfFile) && !token.isKeyword("obj"));
    tokens.next(token);
    return token.isKeyword("<<") ? tokens.where() : 0;
}
