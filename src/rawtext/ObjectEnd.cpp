#include "rawtext/ObjectEnd.h"

#include <cstring>

#include "parse/CharacterClass.h"

using namespace pdfchar;

namespace {

// "endstrea" as the last eight bytes read, the oldest highest: with an "m" after
// them the stream data has ended.
constexpr uint64_t packed(const char (&text)[9]) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | static_cast<uint8_t>(text[i]);
    return value;
}
constexpr uint64_t beforeLastOfEndstream = packed("endstrea");

}  // namespace

// The first byte of a token, as the lexer tells tokens apart by it.
void ObjectEndScanner::startToken(uint8_t c) {
    switch (c) {
    case '%':
        state = State::Comment;
        return;
    case '(':
        state = State::String;
        depth = 1;
        return;
    case '<':
        state = State::AfterLess;
        return;
    case '/':
        state = State::Name;
        return;
    default:
        break;
    }
    if (!isRegular(c)) return;  // white space, and the delimiters that make a token alone
    if (c == '-' || c == '.' || isDigit(c)) {
        state = State::Number;
        return;
    }
    state = State::Word;
    wordLength = 0;
    addToWord(c);
}

void ObjectEndScanner::addToWord(uint8_t c) {
    if (wordLength < sizeof word) word[wordLength] = static_cast<char>(c);
    ++wordLength;
}

bool ObjectEndScanner::wordIs(const char* keyword, size_t length) const {
    return wordLength == length && std::memcmp(word, keyword, length) == 0;
}

// A word has ended; true when it was "endobj". After "stream" the data
// follows, to be passed over.
bool ObjectEndScanner::endsWord() {
    if (wordIs("endobj", 6)) return true;
    state = wordIs("stream", 6) ? State::StreamData : State::Between;
    recent = 0;
    return false;
}

// Each case either takes bytes or leaves the byte at `i` to the state it moves
// to, as the lexer peeks at a byte that ends a token. The states that span many
// bytes (white space, names, numbers, words, strings, comments, stream data) take
// their runs in a loop of their own.
uint64_t ObjectEndScanner::feed(const uint8_t* bytes, size_t count) {
    size_t i = 0;
    while (i < count) {
        switch (state) {
        case State::Between:
            while (i < count && isWhitespace(bytes[i])) ++i;
            if (i < count) startToken(bytes[i++]);
            break;
        case State::Comment:
            while (i < count && bytes[i] != '\r' && bytes[i] != '\n') ++i;
            if (i < count) {
                ++i;
                state = State::Between;
            }
            break;
        case State::String:
            while (i < count && state == State::String) {
                const uint8_t c = bytes[i++];
                if (c == '\\') state = State::StringEscape;
                else if (c == '(') ++depth;
                else if (c == ')' && --depth == 0) state = State::Between;
            }
            break;
        case State::StringEscape:  // the escaped byte is never a parenthesis that counts
            ++i;
            state = State::String;
            break;
        case State::AfterLess:
            if (bytes[i] == '<') {
                ++i;
                state = State::Between;
            } else {
                state = State::HexString;
            }
            break;
        case State::HexString:
            while (i < count && bytes[i] != '>') ++i;
            if (i < count) {
                ++i;
                state = State::Between;
            }
            break;
        case State::Name:
            while (i < count && isRegular(bytes[i]) && bytes[i] != '#') ++i;
            if (i == count) break;
            if (bytes[i] == '#') {
                ++i;
                state = State::NameHash;
            } else {
                state = State::Between;
            }
            break;
        case State::NameHash:  // "#" and a hex digit take the byte after them, whatever it is
            if (hexValue(bytes[i]) >= 0) {
                ++i;
                state = State::NameHashLow;
            } else {
                state = State::Name;
            }
            break;
        case State::NameHashLow:
            ++i;
            state = State::Name;
            break;
        case State::Number:
            while (i < count && (isDigit(bytes[i]) || bytes[i] == '.')) ++i;
            if (i < count) state = State::Between;
            break;
        case State::Word:
            while (i < count && isRegular(bytes[i])) addToWord(bytes[i++]);
            if (i < count && endsWord()) {
                position += i;
                return position;
            }
            break;
        case State::StreamData:
            while (i < count && state == State::StreamData) {
                const uint8_t c = bytes[i++];
                if (c == 'm' && recent == beforeLastOfEndstream) state = State::Between;
                recent = recent << 8 | c;
            }
            break;
        }
    }
    position += count;
    return 0;
}

uint64_t ObjectEndScanner::finish() const { return state == State::Word && wordIs("endobj", 6) ? position : 0; }

ObjectEndScanner::OpenAtEnd ObjectEndScanner::openAtEnd() const {
    switch (state) {
    case State::Comment:
        return OpenAtEnd::Comment;
    case State::String:
    case State::StringEscape:
    case State::AfterLess:
    case State::HexString:
        return OpenAtEnd::String;
    case State::StreamData:
        return OpenAtEnd::StreamData;
    default:
        return OpenAtEnd::Nothing;
    }
}

std::string ObjectEndScanner::stringClosers() const {
    if (state == State::HexString || state == State::AfterLess) return ">";
    if (state != State::String && state != State::StringEscape) return std::string();
    std::string closers(state == State::StringEscape ? 1 : 0, '\n');
    closers.append(depth, ')');
    return closers;
}
