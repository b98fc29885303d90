#include "rotate/PageDictionary.h"

#include "parse/CharacterClass.h"

namespace {

using namespace pdfchar;

enum class TokenKind { End, Name, Number, Word, String, DictionaryOpen, DictionaryClose, ArrayOpen, ArrayClose, Other };

struct Token {
    TokenKind kind = TokenKind::End;
    uint32_t begin = 0;
    uint32_t end = 0;
};

// A small tokenizer over raw object text, just enough to follow the structure of
// a dictionary without building objects.
class RawTokenizer {
public:
    RawTokenizer(const uint8_t* text, uint32_t length) : text(text), length(length) {}

    Token next() {
        skipWhitespaceAndComments();
        Token token;
        token.begin = position;
        if (position >= length) return token;
        const uint8_t c = text[position++];
        switch (c) {
        case '(': skipLiteralString(); token.kind = TokenKind::String; break;
        case '<':
            if (position < length && text[position] == '<') {
                ++position;
                token.kind = TokenKind::DictionaryOpen;
            } else {
                while (position < length && text[position++] != '>') {
                }
                token.kind = TokenKind::String;
            }
            break;
        case '>':
            if (position < length && text[position] == '>') {
                ++position;
                token.kind = TokenKind::DictionaryClose;
            } else {
                token.kind = TokenKind::Other;
            }
            break;
        case '[': token.kind = TokenKind::ArrayOpen; break;
        case ']': token.kind = TokenKind::ArrayClose; break;
        case '/': skipRegular(); token.kind = TokenKind::Name; break;
        case ')': case '{': case '}': token.kind = TokenKind::Other; break;
        default:
            skipRegular();
            token.kind = (c == '-' || c == '+' || c == '.' || isDigit(c)) ? TokenKind::Number : TokenKind::Word;
            break;
        }
        token.end = position;
        return token;
    }

    uint32_t where() const { return position; }
    void rewindTo(uint32_t where) { position = where; }

    // A name token's text with its #xx escapes decoded.
    std::string nameText(const Token& token) const {
        std::string name;
        for (uint32_t i = token.begin + 1; i < token.end; ++i) {
            if (text[i] == '#' && i + 2 < token.end && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
                name.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
                i += 2;
            } else {
                name.push_back(static_cast<char>(text[i]));
            }
        }
        return name;
    }

    bool isWord(const Token& token, const char* word) const {
        uint32_t i = token.begin;
        for (; *word; ++word, ++i)
            if (i >= token.end || text[i] != static_cast<uint8_t>(*word)) return false;
        return i == token.end;
    }

    bool isInteger(const Token& token) const {
        if (token.kind != TokenKind::Number) return false;
        for (uint32_t i = token.begin; i < token.end; ++i)
            if (!isDigit(text[i])) return false;
        return true;
    }

private:
    void skipWhitespaceAndComments() {
        while (position < length) {
            if (isWhitespace(text[position])) {
                ++position;
            } else if (text[position] == '%') {
                while (position < length && text[position] != '\r' && text[position] != '\n') ++position;
            } else {
                return;
            }
        }
    }
    void skipRegular() {
        while (position < length && isRegular(text[position])) ++position;
    }
    void skipLiteralString() {
        int depth = 1;
        while (position < length && depth > 0) {
            const uint8_t c = text[position++];
            if (c == '\\') ++position;
            else if (c == '(') ++depth;
            else if (c == ')') --depth;
        }
        if (position > length) position = length;
    }

    const uint8_t* text;
    uint32_t length;
    uint32_t position = 0;
};

// Passes over one complete value; composite values are skipped to their close.
// An integer followed by an integer and R is one value, a reference.
void skipValue(RawTokenizer& tokens, const Token& first) {
    if (first.kind == TokenKind::DictionaryOpen || first.kind == TokenKind::ArrayOpen) {
        int depth = 1;
        while (depth > 0) {
            const Token token = tokens.next();
            if (token.kind == TokenKind::End) return;
            if (token.kind == TokenKind::DictionaryOpen || token.kind == TokenKind::ArrayOpen) ++depth;
            else if (token.kind == TokenKind::DictionaryClose || token.kind == TokenKind::ArrayClose) --depth;
        }
        return;
    }
    if (!tokens.isInteger(first)) return;
    const uint32_t afterFirst = tokens.where();
    const Token generation = tokens.next();
    const Token keyword = tokens.next();
    if (!tokens.isInteger(generation) || !tokens.isWord(keyword, "R")) tokens.rewindTo(afterFirst);
}

}  // namespace

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    PageDictionaryLayout layout;
    RawTokenizer tokens(text, length);
    // The header: object number, generation and "obj"; then the page's dictionary.
    Token token;
    do token = tokens.next();
    while (token.kind != TokenKind::End && !tokens.isWord(token, "obj"));
    token = tokens.next();
    if (token.kind != TokenKind::DictionaryOpen) return layout;
    layout.found = true;
    layout.bodyStart = token.end;
    for (;;) {
        token = tokens.next();
        if (token.kind == TokenKind::End || token.kind == TokenKind::DictionaryClose) return layout;
        if (token.kind != TokenKind::Name) continue;  // not a key: skipped, as the parser does
        const bool isRotate = tokens.nameText(token) == "Rotate";
        const Token value = tokens.next();
        if (value.kind == TokenKind::End) return layout;
        if (isRotate) {
            layout.hasRotate = true;
            layout.keyEnd = token.end;
            if (value.kind == TokenKind::DictionaryClose) {
                layout.valueEnd = token.end;
                return layout;
            }
            skipValue(tokens, value);
            layout.valueEnd = tokens.where();
            layout.valueIsNumber = value.kind == TokenKind::Number && layout.valueEnd == value.end;
            if (layout.valueIsNumber) layout.valueText.assign(text + value.begin, text + value.end);
            return layout;
        }
        if (value.kind == TokenKind::DictionaryClose) return layout;
        skipValue(tokens, value);
    }
}
