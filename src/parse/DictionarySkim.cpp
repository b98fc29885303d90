#include "parse/DictionarySkim.h"

#include "parse/CharacterClass.h"

using namespace pdfchar;

namespace {

enum class Token { End, Name, Integer, Real, Word, OpenDictionary, CloseDictionary, OpenArray, CloseArray, Other };

// One token at a time, as the lexer reads it, with no more kept of it than the
// scan needs: its kind, where it lies, an integer's value.
class Skimmer {
public:
    Skimmer(const uint8_t* text, uint32_t length, uint32_t start) : text(text), length(length), at(start) {}

    Token next() {
        skipSpace();
        if (at >= length) return Token::End;
        start = at;
        const uint8_t c = text[at++];
        switch (c) {
        case '(': skipLiteralString(); return Token::Other;
        case '/': skipName(); return Token::Name;
        case '<':
            if (at < length && text[at] == '<') return ++at, Token::OpenDictionary;
            while (at < length && text[at++] != '>') {
            }
            return Token::Other;
        case '>':
            if (at < length && text[at] == '>') return ++at, Token::CloseDictionary;
            return Token::Other;
        case '[': return Token::OpenArray;
        case ']': return Token::CloseArray;
        case ')': case '{': case '}': return Token::Other;
        default:
            if (c == '-' || c == '.' || isDigit(c)) return readNumber(c);
            skipRegular();
            return Token::Word;
        }
    }

    uint32_t position() const { return at; }
    void rewindTo(uint32_t position) { at = position; }
    uint32_t tokenStart() const { return start; }
    int32_t integer() const { return value; }
    // The token's text (a name without its slash), its #xx escapes decoded.
    std::string decodedName() const;
    bool tokenIs(const char* word) const;
    // A name token (without its slash) that decodes to `name`.
    bool nameIs(const char* name) const;

private:
    void skipSpace() {
        while (at < length) {
            const uint8_t c = text[at];
            if (isWhitespace(c)) {
                ++at;
            } else if (c == '%') {
                while (at < length && text[at] != '\r' && text[at] != '\n') ++at;
            } else {
                return;
            }
        }
    }
    void skipRegular() {
        while (at < length && isRegular(text[at])) ++at;
    }
    // A "#" and a hex digit take the byte after them into the name, whatever it is,
    // as the lexer reads the second digit of the escape.
    void skipName() {
        while (at < length && isRegular(text[at])) {
            const bool escape = text[at] == '#' && at + 1 < length && hexValue(text[at + 1]) >= 0;
            at += escape ? 3 : 1;
        }
        if (at > length) at = length;
    }
    void skipLiteralString() {
        for (int depth = 1; at < length;) {
            const uint8_t c = text[at++];
            if (c == '\\') ++at;
            else if (c == '(') ++depth;
            else if (c == ')' && --depth == 0) return;
        }
        if (at > length) at = length;
    }
    // Digits and dots after the first byte; a dot anywhere makes a real. The value
    // saturates just beyond either 32-bit limit, as the lexer's does.
    Token readNumber(uint8_t first) {
        bool isReal = first == '.';
        const bool negative = first == '-';
        int64_t magnitude = isDigit(first) ? first - '0' : 0;
        bool digitsEnded = first == '.';
        while (at < length && (isDigit(text[at]) || text[at] == '.')) {
            const uint8_t c = text[at++];
            if (c == '.') {
                isReal = digitsEnded = true;
            } else if (!digitsEnded) {
                magnitude = magnitude * 10 + (c - '0');
                if (magnitude > 2147483648LL) magnitude = 2147483648LL;
            }
        }
        if (isReal) return Token::Real;
        if (negative) value = magnitude >= 2147483648LL ? INT32_MIN : static_cast<int32_t>(-magnitude);
        else value = magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
        return Token::Integer;
    }

    const uint8_t* text;
    uint32_t length;
    uint32_t at;
    uint32_t start = 0;
    int32_t value = 0;
};

std::string Skimmer::decodedName() const {
    std::string name;
    for (uint32_t i = start + 1; i < at; ++i) {
        const int high = text[i] == '#' && i + 1 < at ? hexValue(text[i + 1]) : -1;
        if (high < 0) {
            name.push_back(static_cast<char>(text[i]));
            continue;
        }
        const int low = i + 2 < at ? hexValue(text[i + 2]) : -1;
        name.push_back(static_cast<char>(low < 0 ? high * 16 : high * 16 + low));
        i += 2;
    }
    return name;
}

bool Skimmer::tokenIs(const char* word) const {
    uint32_t i = start;
    for (; *word; ++word, ++i)
        if (i >= at || text[i] != static_cast<uint8_t>(*word)) return false;
    return i == at;
}

bool Skimmer::nameIs(const char* name) const {
    uint32_t i = start + 1;
    const char* wanted = name;
    for (; *wanted && i < at && text[i] == static_cast<uint8_t>(*wanted); ++wanted, ++i) {
    }
    if (!*wanted && i == at) return true;
    for (uint32_t j = start + 1; j < at; ++j)
        if (text[j] == '#') return decodedName() == name;  // an escaped name may still decode to it
    return false;
}

bool opens(Token token) { return token == Token::OpenDictionary || token == Token::OpenArray; }
bool closes(Token token) { return token == Token::CloseDictionary || token == Token::CloseArray; }

void skipContainer(Skimmer& tokens) {
    for (int depth = 1; depth > 0;) {
        const Token token = tokens.next();
        if (token == Token::End) return;
        if (opens(token)) ++depth;
        else if (closes(token)) --depth;
    }
}

// An integer followed by an integer and "R" is a reference (`generation` is the
// second); otherwise the position goes back to just after the first integer.
bool completesReference(Skimmer& tokens, int32_t& generation) {
    const uint32_t afterFirst = tokens.position();
    if (tokens.next() == Token::Integer) {
        generation = tokens.integer();
        if (tokens.next() == Token::Word && tokens.tokenIs("R")) return true;
    }
    tokens.rewindTo(afterFirst);
    return false;
}

}  // namespace

DictionarySkim skimDictionary(const uint8_t* text, uint32_t length, uint32_t start) {
    DictionarySkim skim;
    Skimmer tokens(text, length, start);
    bool typeSeen = false, lengthSeen = false;  // of two equal keys the first counts
    for (;;) {
        Token token = tokens.next();
        if (token == Token::End) break;
        if (token == Token::CloseDictionary) {
            skim.closed = true;
            break;
        }
        if (token != Token::Name) continue;  // no key: passed over, as the parser passes over it
        const bool isType = !typeSeen && tokens.nameIs("Type");
        const bool isLength = !lengthSeen && tokens.nameIs("Length");
        token = tokens.next();
        if (token == Token::End) break;
        if (token == Token::CloseDictionary) {  // a key without a value ends the dictionary
            if (isLength) skim.lengthKind = DictionarySkim::LengthKind::Other;
            skim.closed = true;
            break;
        }
        const uint32_t valueStart = tokens.tokenStart();
        const int32_t integer = tokens.integer();
        int32_t generation = 0;
        const bool reference = token == Token::Integer && completesReference(tokens, generation);
        if (opens(token)) skipContainer(tokens);
        if (isType) {
            typeSeen = true;
            skim.typeIsName = token == Token::Name;
            if (skim.typeIsName) {
                tokens.rewindTo(valueStart);
                tokens.next();
                skim.type = tokens.decodedName();
            }
        }
        if (isLength) {
            lengthSeen = true;
            skim.lengthKind = reference                   ? DictionarySkim::LengthKind::Reference
                              : token == Token::Integer ? DictionarySkim::LengthKind::Integer
                                                        : DictionarySkim::LengthKind::Other;
            skim.length = reference ? 0 : integer;
            skim.lengthNumber = reference ? integer : 0;
            skim.lengthGeneration = generation;
        }
    }
    skim.end = tokens.position();
    return skim;
}
