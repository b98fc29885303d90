// The PDF format's lexical rules: bytes in, one token out per call. It never
// fails: malformed input gives ordinary tokens, Error or EndOfFile. The parser
// reads files through it, and the raw text scanners read object text through it,
// so that both agree on every name, number and string.
#include "parse/PdfLexer.h"

#include <algorithm>
#include <concepts>
#include <cstdlib>
#include <cstring>

#include "parse/CharacterClass.h"
#include "stream/FileBlockCache.h"
#include "stream/PdfStream.h"

using namespace pdfchar;

namespace {

// An integer's magnitude is read digit by digit as the number is lexed; past the
// 64-bit limits it stays there, and its 32-bit value just beyond those limits.
// Its remainder modulo 360 is kept exactly, whatever the number of digits: a
// /Rotate is read modulo 360.
constexpr int64_t beyondLimits = 2147483648LL;
constexpr int64_t largestBeforeDigit = (INT64_MAX - 9) / 10;

// A number's value as its bytes come: a point makes it a real.
struct NumberValue {
    int64_t magnitude = 0;  // INT64_MAX once past the limits, and only then
    bool isReal = false;

    void add(int c) {
        if (c == '.') isReal = true;
        else magnitude = magnitude <= largestBeforeDigit ? magnitude * 10 + (c - '0') : INT64_MAX;
    }
    // The magnitude's remainder, from the magnitude while it is exact, else digit by
    // digit from the integer's text: a division per number rather than per digit.
    int32_t modulo360(std::string_view text) const {
        if (magnitude != INT64_MAX) return static_cast<int32_t>(magnitude % 360);
        int32_t remainder = 0;
        for (const char c : text)
            if (isDigit(c)) remainder = (remainder * 10 + (c - '0')) % 360;
        return remainder;
    }
};

bool isNumberByte(int c) { return isDigit(c) || c == '.'; }
// ISO 32000 writes a number with an optional sign, "+" or "-".
bool isSign(int c) { return c == '+' || c == '-'; }

int32_t saturated(bool negative, int64_t magnitude) {
    if (negative) return magnitude >= beyondLimits ? INT32_MIN : static_cast<int32_t>(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

// The longest prefix of the form -digits.digits; "." and "-." give 0.
double realFromPrefix(std::string_view digits) {
    size_t i = 0;
    if (i < digits.size() && isSign(digits[i])) ++i;
    while (i < digits.size() && isDigit(digits[i])) ++i;
    if (i < digits.size() && digits[i] == '.') ++i;
    while (i < digits.size() && isDigit(digits[i])) ++i;
    const std::string prefix(digits.substr(0, i));
    return std::strtod(prefix.c_str(), nullptr);
}

// A source whose bytes lie in memory, one after another.
template <class Source>
concept InMemory = requires(const Source& source) {
    { source.bytes() } -> std::convertible_to<const uint8_t*>;
};

void keyword(LexedToken& token, std::string_view word) {
    token.kind = LexedToken::Kind::Keyword;
    token.text = word;
}

}  // namespace

double LexedToken::real() const { return realFromPrefix(text); }

// The current stream has ended: reading goes on in the next one, if any.
int StreamChainSource::nextStream() {
    while (current + 1 < streams.size()) {
        stream = streams[++current].get();
        fileStream = dynamic_cast<CPdfFileStream*>(stream);
        const int c = stream->readByte();
        if (c >= 0) return c;
    }
    return -1;
}

WindowSource::WindowSource(RetainPtr<CPdfStream> window)
    : window(std::move(window)), start(this->window->windowStart()) {}
int WindowSource::readChar() { return window->readByte(); }
int WindowSource::peekChar() { return window->peekByte(); }
uint32_t WindowSource::where() const { return static_cast<uint32_t>(window->tell() - start); }
void WindowSource::rewindTo(uint32_t where) { window->seek(static_cast<int64_t>(start + where), 0); }

FileRangeSource::FileRangeSource(FileBlockCache& file, uint64_t from, uint64_t limit)
    : blocks(file), end(limit), bufferStart(from) {}

bool FileRangeSource::refill() {
    bufferStart += filled;
    next = 0;
    filled = 0;
    if (bufferStart >= end) return false;
    const uint64_t wanted = std::min<uint64_t>(sizeof buffer, end - bufferStart);
    filled = static_cast<uint32_t>(blocks.readFully(bufferStart, buffer, static_cast<size_t>(wanted)));
    return filled > 0;
}

void FileRangeSource::seekTo(uint64_t position) {
    if (position >= bufferStart && position <= bufferStart + filled) {
        next = static_cast<uint32_t>(position - bufferStart);
        return;
    }
    bufferStart = position;
    next = 0;
    filled = 0;
}

template <class Source>
void PdfLexer<Source>::skipToLineEnd() {
    for (;;) {
        const int c = source.readChar();
        if (c < 0 || c == '\n') return;
        if (c == '\r') {
            if (source.peekChar() == '\n') source.readChar();
            return;
        }
    }
}

template <class Source>
void PdfLexer<Source>::passOverNumbers() {
    if constexpr (InMemory<Source>) {
        const uint8_t* bytes = source.bytes();
        uint32_t at = source.where();
        while (at < source.size() && (isNumberByte(bytes[at]) || isSign(bytes[at]) || isWhitespace(bytes[at]))) ++at;
        source.rewindTo(at);
    }
}

// An element made from a lexed token: the parser's tokens. A name's or a
// keyword's text must end in NUL for the element; one taken in place does not.
template <class Source>
const char* PdfLexer<Source>::terminated(std::string_view lexed) {
    if (lexed.data() != text.data()) text.assign(lexed);
    return text.c_str();
}

template <class Source>
void PdfLexer<Source>::readToken(CPdfElement& token) {
    LexedToken lexed;
    lexToken(lexed);
    switch (lexed.kind) {
    case LexedToken::Kind::EndOfFile:
        token.setEndOfFile();
        return;
    case LexedToken::Kind::Error:
        token.setError();
        return;
    case LexedToken::Kind::Integer:
        token.setInteger(lexed.wide, lexed.modulo360);
        return;
    case LexedToken::Kind::Real:
        token.setReal(lexed.real());
        return;
    case LexedToken::Kind::Name:
        token.makeName(terminated(lexed.text));
        return;
    case LexedToken::Kind::String:
        token.makeString(lexed.text.data(), lexed.text.size());
        return;
    case LexedToken::Kind::Keyword:
        token.makeKeyword(terminated(lexed.text));
        return;
    case LexedToken::Kind::Boolean:
        token.setBoolean(lexed.integer != 0);
        return;
    case LexedToken::Kind::Null:
        token.setNull();
        return;
    }
}

template <class Source>
void PdfLexer<Source>::lexToken(LexedToken& token) {
    token.decodedNul = false;
    if constexpr (InMemory<Source>) {
        // White space, most of what lies between tokens, passed over in place.
        uint32_t at = source.where();
        while (at < source.size() && isWhitespace(source.bytes()[at])) ++at;
        source.rewindTo(at);
    }
    int c;
    for (;;) {
        c = source.readChar();
        if (c < 0) {
            token.kind = LexedToken::Kind::EndOfFile;
            return;
        }
        if (isWhitespace(c)) continue;
        if (c != '%') break;
        do c = source.readChar();
        while (c >= 0 && c != '\r' && c != '\n');
        if (c < 0) openAtEnd.kind = LeftOpen::Kind::Comment;
    }
    switch (c) {
    case '(':
        readLiteralString(token);
        return;
    case '/':
        readName(token);
        return;
    case '<':
        if (source.peekChar() == '<') {
            source.readChar();
            keyword(token, "<<");
        } else {
            readHexString(token);
        }
        return;
    case '>':
        if (source.peekChar() == '>') {
            source.readChar();
            keyword(token, ">>");
        } else {
            token.kind = LexedToken::Kind::Error;
        }
        return;
    case ')':
    case '{':
    case '}':
        token.kind = LexedToken::Kind::Error;
        return;
    case '[':
        keyword(token, "[");
        return;
    case ']':
        keyword(token, "]");
        return;
    default:
        if (isSign(c) || c == '.' || isDigit(c)) readNumber(c, token);
        else readWord(c, token);
        return;
    }
}

template <class Source>
void PdfLexer<Source>::readLiteralString(LexedToken& token) {
    text.clear();
    int depth = 1;
    for (;;) {
        int c = source.readChar();
        if (c < 0) {
            openAtEnd = {LeftOpen::Kind::LiteralString, depth, false};
            break;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) break;
        } else if (c == '\\') {
            c = source.readChar();
            if (c < 0) {
                openAtEnd = {LeftOpen::Kind::LiteralString, depth, true};
                break;
            }
            switch (c) {
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            case 'b':
                c = '\b';
                break;
            case 'f':
                c = '\f';
                break;
            case '\n':
                continue;
            case '\r':
                if (source.peekChar() == '\n') source.readChar();
                continue;
            default:
                if (c >= '0' && c <= '7') {
                    int value = c - '0';
                    for (int digits = 1; digits < 3; ++digits) {
                        const int next = source.peekChar();
                        if (next < '0' || next > '7') break;
                        source.readChar();
                        value = value * 8 + (next - '0');
                    }
                    c = value & 0xFF;
                }
                break;
            }
        }
        text.push_back(static_cast<char>(c));
    }
    token.kind = LexedToken::Kind::String;
    token.text = text;
}

template <class Source>
template <class Belongs>
std::string_view PdfLexer<Source>::takeInPlace(uint32_t start, Belongs belongs) {
    const uint8_t* bytes = source.bytes();
    const uint32_t size = source.size();
    uint32_t end = source.where();
    while (end < size && belongs(bytes[end])) ++end;
    source.rewindTo(end);
    return {reinterpret_cast<const char*>(bytes) + start, end - start};
}

template <class Source>
void PdfLexer<Source>::readNumber(int firstByte, LexedToken& token) {
    NumberValue value;
    if (!isSign(firstByte)) value.add(firstByte);
    if constexpr (InMemory<Source>) {
        const uint8_t* bytes = source.bytes();
        const uint32_t start = source.where() - 1;
        const uint32_t size = source.size();
        uint32_t end = source.where();
        for (; end < size && isNumberByte(bytes[end]); ++end) value.add(bytes[end]);
        source.rewindTo(end);
        token.text = {reinterpret_cast<const char*>(bytes) + start, end - start};
    } else {
        text.assign(1, static_cast<char>(firstByte));
        for (int c = source.peekChar(); isNumberByte(c); c = source.peekChar()) {
            source.readChar();
            text.push_back(static_cast<char>(c));
            value.add(c);
        }
        token.text = text;
    }
    if (value.isReal) {
        token.kind = LexedToken::Kind::Real;
    } else {
        token.kind = LexedToken::Kind::Integer;
        token.integer = saturated(firstByte == '-', value.magnitude);
        token.wide = firstByte == '-' ? -value.magnitude : value.magnitude;
        const int32_t modulo360 = value.modulo360(token.text);
        token.modulo360 = firstByte == '-' ? -modulo360 : modulo360;
    }
}

template <class Source>
void PdfLexer<Source>::readName(LexedToken& token) {
    token.kind = LexedToken::Kind::Name;
    text.clear();
    if constexpr (InMemory<Source>) {
        // Most names hold no escape: their text is their bytes.
        token.text = takeInPlace(source.where(), [](int c) { return pdfchar::isPlainNameByte(c); });
        if (source.peekChar() != '#') return;
        text.assign(token.text);
    }
    for (int c = source.peekChar(); isRegular(c); c = source.peekChar()) {
        source.readChar();
        if (c != '#') {
            text.push_back(static_cast<char>(c));
            continue;
        }
        const int high = hexValue(source.peekChar());
        if (high < 0) {
            text.push_back('#');
            continue;
        }
        source.readChar();
        const int low = hexValue(source.readChar());
        const char decoded = static_cast<char>(low < 0 ? high * 16 : high * 16 + low);
        if (decoded == '\0') token.decodedNul = true;
        text.push_back(decoded);
    }
    token.text = text;
}

template <class Source>
void PdfLexer<Source>::readHexString(LexedToken& token) {
    text.clear();
    int high = -1;
    for (;;) {
        const int c = source.readChar();
        if (c < 0) openAtEnd.kind = LeftOpen::Kind::HexString;
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
    token.kind = LexedToken::Kind::String;
    token.text = text;
}

template <class Source>
void PdfLexer<Source>::readWord(int firstByte, LexedToken& token) {
    if constexpr (InMemory<Source>) {
        token.text = takeInPlace(source.where() - 1, [](int c) { return isRegular(c); });
    } else {
        text.assign(1, static_cast<char>(firstByte));
        for (int c = source.peekChar(); isRegular(c); c = source.peekChar()) {
            source.readChar();
            text.push_back(static_cast<char>(c));
        }
        token.text = text;
    }
    classifyWord(token);
}

template <class Source>
void PdfLexer<Source>::classifyWord(LexedToken& token) {
    const std::string_view word = token.text;
    if (word == "true" || word == "false") {
        token.kind = LexedToken::Kind::Boolean;
        token.integer = word == "true";
    } else if (word == "null") {
        token.kind = LexedToken::Kind::Null;
    } else {
        token.kind = LexedToken::Kind::Keyword;
    }
}

template class PdfLexer<StreamChainSource>;
template class PdfLexer<TextSource>;
template class PdfLexer<WindowSource>;
template class PdfLexer<FileRangeSource>;
