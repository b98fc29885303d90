// The lexer half of CPdfParser: bytes of PDF syntax in, one token out per call.
// It never fails: malformed input gives ordinary tokens, Error or EndOfFile.
#include <cstdlib>
#include <cstring>

#include "parse/CharacterClass.h"
#include "parse/PdfParser.h"
#include "stream/PdfStream.h"

using namespace pdfchar;

int CPdfParser::readChar() {
    for (;;) {
        const int c = streams[currentStream]->readByte();
        if (c >= 0 || currentStream + 1 >= static_cast<int32_t>(streams.size())) return c;
        ++currentStream;
    }
}

int CPdfParser::peekChar() { return streams[currentStream]->peekByte(); }

void CPdfParser::skipToLineEnd() {
    for (;;) {
        const int c = readChar();
        if (c < 0 || c == '\n') return;
        if (c == '\r') {
            if (peekChar() == '\n') readChar();
            return;
        }
    }
}

void CPdfParser::readToken(CPdfElement& token) {
    int c;
    for (;;) {
        c = readChar();
        if (c < 0) {
            token.setEndOfFile();
            return;
        }
        if (isWhitespace(c)) continue;
        if (c != '%') break;
        do c = readChar();
        while (c >= 0 && c != '\r' && c != '\n');
    }
    switch (c) {
    case '(':
        readLiteralString(token);
        return;
    case '/':
        readName(token);
        return;
    case '<':
        if (peekChar() == '<') {
            readChar();
            token.makeKeyword("<<");
        } else {
            readHexString(token);
        }
        return;
    case '>':
        if (peekChar() == '>') {
            readChar();
            token.makeKeyword(">>");
        } else {
            token.setError();
        }
        return;
    case ')':
    case '{':
    case '}':
        token.setError();
        return;
    case '[':
        token.makeKeyword("[");
        return;
    case ']':
        token.makeKeyword("]");
        return;
    default:
        if (c == '-' || c == '.' || isDigit(c)) readNumber(c, token);
        else readWord(c, token);
        return;
    }
}

void CPdfParser::readLiteralString(CPdfElement& token) {
    text.clear();
    int depth = 1;
    for (;;) {
        int c = readChar();
        if (c < 0) break;
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) break;
        } else if (c == '\\') {
            c = readChar();
            if (c < 0) break;
            switch (c) {
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            case '\n': continue;
            case '\r':
                if (peekChar() == '\n') readChar();
                continue;
            default:
                if (c >= '0' && c <= '7') {
                    int value = c - '0';
                    for (int digits = 1; digits < 3; ++digits) {
                        const int next = peekChar();
                        if (next < '0' || next > '7') break;
                        readChar();
                        value = value * 8 + (next - '0');
                    }
                    c = value & 0xFF;
                }
                break;
            }
        }
        text.push_back(static_cast<char>(c));
    }
    token.makeString(text.c_str());
}

namespace {

int32_t saturatingInteger(const std::string& digits) {
    size_t i = 0;
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) i = 1;
    int64_t value = 0;
    for (; i < digits.size() && isDigit(digits[i]); ++i) {
        value = value * 10 + (digits[i] - '0');
        if (value > 2147483648LL) value = 2147483648LL;  // beyond either limit
    }
    if (negative) return value >= 2147483648LL ? INT32_MIN : static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// The longest prefix of the form -digits.digits; "." and "-." give 0.
double realFromPrefix(const std::string& digits) {
    size_t i = 0;
    if (i < digits.size() && digits[i] == '-') ++i;
    while (i < digits.size() && isDigit(digits[i])) ++i;
    if (i < digits.size() && digits[i] == '.') ++i;
    while (i < digits.size() && isDigit(digits[i])) ++i;
    const std::string prefix = digits.substr(0, i);
    return std::strtod(prefix.c_str(), nullptr);
}

}  // namespace

void CPdfParser::readNumber(int firstByte, CPdfElement& token) {
    text.assign(1, static_cast<char>(firstByte));
    bool isReal = firstByte == '.';
    for (int c = peekChar(); isDigit(c) || c == '.'; c = peekChar()) {
        readChar();
        text.push_back(static_cast<char>(c));
        if (c == '.') isReal = true;
    }
    if (isReal) token.setReal(realFromPrefix(text));
    else token.setInteger(saturatingInteger(text));
}

void CPdfParser::readName(CPdfElement& token) {
    text.clear();
    for (int c = peekChar(); isRegular(c); c = peekChar()) {
        readChar();
        if (c != '#') {
            text.push_back(static_cast<char>(c));
            continue;
        }
        const int high = hexValue(peekChar());
        if (high < 0) {
            text.push_back('#');
            continue;
        }
        readChar();
        const int low = hexValue(readChar());
        text.push_back(static_cast<char>(low < 0 ? high * 16 : high * 16 + low));
    }
    token.makeName(text.c_str());
}

void CPdfParser::readHexString(CPdfElement& token) {
    text.clear();
    int high = -1;
    for (;;) {
        const int c = readChar();
        if (c < 0 || c == '>') break;
        if (isWhitespace(c)) continue;
        const int value = hexValue(c) < 0 ? 0 : hexValue(c);
        if (high < 0) {
            high = value;
        } else {
            text.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) text.push_back(static_cast<char>(high * 16));
    token.makeString(text.c_str());
}

void CPdfParser::readWord(int firstByte, CPdfElement& token) {
    text.assign(1, static_cast<char>(firstByte));
    for (int c = peekChar(); isRegular(c); c = peekChar()) {
        readChar();
        text.push_back(static_cast<char>(c));
    }
    if (text == "true") token.setBoolean(true);
    else if (text == "false") token.setBoolean(false);
    else if (text == "null") token.setNull();
    else token.makeKeyword(text.c_str());
}
