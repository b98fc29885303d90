#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"
#include "stream/PdfFileStream.h"
#include "stream/PdfStream.h"

class FileBlockCache;

// The bytes of one parse: a stream, continued by further streams when it ends
// (the parser reads through the chain in order).
class StreamChainSource {
public:
    // `streams` holds at least one stream and lives as long as this source.
    explicit StreamChainSource(const std::vector<RetainPtr<CPdfStream>>& streams)
        : streams(streams), stream(streams.front().get()), fileStream(dynamic_cast<CPdfFileStream*>(stream)) {}
    // Every byte of every parse passes here: the common case stays inline. Most
    // parses read the file itself, whose buffer is then read without a virtual call.
    int readChar() {
        const int c = fileStream ? fileStream->readByte() : stream->readByte();
        return c >= 0 ? c : nextStream();
    }
    int peekChar() { return fileStream ? fileStream->peekByte() : stream->peekByte(); }
    CPdfStream* currentStream() const { return stream; }

private:
    int nextStream();

    const std::vector<RetainPtr<CPdfStream>>& streams;
    CPdfStream* stream;
    CPdfFileStream* fileStream;  // `stream` when it is a file stream, else null
    size_t current = 0;
};

// Object text held in memory, with the position the next token starts from.
class TextSource {
public:
    TextSource(const uint8_t* text, uint32_t length) : text(text), length(length) {}
    int readChar() { return position < length ? text[position++] : -1; }
    int peekChar() const { return position < length ? text[position] : -1; }
    uint32_t where() const { return position; }
    void rewindTo(uint32_t where) { position = where; }
    // The text itself: the lexer takes a token's bytes where they lie instead of
    // copying them, which is most of lexing's cost.
    const uint8_t* bytes() const { return text; }
    uint32_t size() const { return length; }

private:
    const uint8_t* text;
    uint32_t length;
    uint32_t position = 0;
};

// A window of a stream read token by token, with positions counted from the
// window's start: for object text too large to hold in memory.
class WindowSource {
public:
    explicit WindowSource(RetainPtr<CPdfStream> window);
    int readChar();
    int peekChar();
    uint32_t where() const;
    void rewindTo(uint32_t where);

private:
    RetainPtr<CPdfStream> window;
    uint64_t start;
};

// A range of the input file, [from, limit), read through its block cache a piece
// at a time: for text of any length, whose tokens may cross any boundary.
class FileRangeSource {
public:
    FileRangeSource(FileBlockCache& file, uint64_t from, uint64_t limit);
    int readChar() { return next < filled || refill() ? buffer[next++] : -1; }
    int peekChar() { return next < filled || refill() ? buffer[next] : -1; }
    uint64_t where() const { return bufferStart + next; }
    void seekTo(uint64_t position);
    uint64_t limit() const { return end; }
    FileBlockCache& file() const { return blocks; }

private:
    bool refill();

    FileBlockCache& blocks;
    uint64_t end;
    uint64_t bufferStart;
    uint32_t next = 0;
    uint32_t filled = 0;
    uint8_t buffer[4096];
};

// What the end of the source cut short: a comment or a string it ended in. Only a
// text that ends before its object does (an object of an object stream, which the
// copy closes with its closing keyword) cares.
struct LeftOpen {
    enum class Kind : uint8_t { Nothing, Comment, LiteralString, HexString };
    Kind kind = Kind::Nothing;
    int depth = 0;                // a literal string's open parentheses
    bool afterBackslash = false;  // the source ended right after a literal string's backslash
};

// One token as the lexer reads it, without a value built for it: its kind, an
// integer's value, and its text (a name with its #xx escapes decoded, a string's
// bytes, a keyword, a real's digits). The text lives in the lexer until its next token.
struct LexedToken {
    enum class Kind : uint8_t { EndOfFile, Error, Integer, Real, Name, String, Keyword, Boolean, Null };

    Kind kind = Kind::EndOfFile;
    int32_t integer = 0;    // an Integer's value held at the 32-bit limits; 1 for the Boolean true
    int64_t wide = 0;       // an Integer's value held at the 64-bit limits: a position in a file of any size
    int32_t modulo360 = 0;  // an Integer's value as written, modulo 360 with its sign
    std::string_view text;
    bool decodedNul = false;  // a Name's escapes decoded to a NUL byte

    bool is(Kind wanted) const { return kind == wanted; }
    // Every token of every reader is asked these: a literal's length is known, so
    // most answers come from the length alone.
    template <size_t N>
    bool isKeyword(const char (&word)[N]) const {
        return kind == Kind::Keyword && text.size() == N - 1 && std::memcmp(text.data(), word, N - 1) == 0;
    }
    // A name as an element holds it: up to a NUL that an escape decoded to.
    std::string_view name() const { return decodedNul ? text.substr(0, text.find('\0')) : text; }
    bool isName(std::string_view wanted) const { return kind == Kind::Name && name() == wanted; }
    bool opensContainer() const {
        return kind == Kind::Keyword &&
               ((text.size() == 2 && text[0] == '<' && text[1] == '<') || (text.size() == 1 && text[0] == '['));
    }
    bool closesContainer() const {
        return kind == Kind::Keyword &&
               ((text.size() == 2 && text[0] == '>' && text[1] == '>') || (text.size() == 1 && text[0] == ']'));
    }
    // A Real's value: the longest prefix of its digits of the form -digits.digits.
    double real() const;
};

// The PDF format's lexical rules over a source of bytes: white space and comments
// are passed over, and each call gives one token (a number, a name with its #xx
// escapes decoded, a string, a keyword such as "<<" or "obj", Error or EndOfFile).
template <class Source>
class PdfLexer {
public:
    explicit PdfLexer(Source& source) : source(source) {}
    PdfLexer(const PdfLexer&) = delete;
    PdfLexer& operator=(const PdfLexer&) = delete;

    // The next token, as an element: fills the empty `token`.
    void readToken(CPdfElement& token);
    // The next token, with nothing built: for readers that look at a few values
    // and pass over the rest.
    void lexToken(LexedToken& token);
    // Passes over the rest of the line, with its CR, LF or CR LF.
    void skipToLineEnd();
    // Passes over a run of digits, points, minus signs and white space, which lexes
    // as numbers only; for a reader to whom any number there is alike. Text in
    // memory only: elsewhere nothing is passed over.
    void passOverNumbers();
    // What the source's end cut short, once lexing has reached it.
    const LeftOpen& leftOpen() const { return openAtEnd; }

private:
    void readLiteralString(LexedToken& token);
    void readNumber(int firstByte, LexedToken& token);
    void readName(LexedToken& token);
    void readHexString(LexedToken& token);
    void readWord(int firstByte, LexedToken& token);
    // For a source held in memory: the bytes from `start` for as long as `belongs`
    // says, passed over; their text, in place.
    template <class Belongs>
    std::string_view takeInPlace(uint32_t start, Belongs belongs);
    static void classifyWord(LexedToken& token);
    const char* terminated(std::string_view lexed);

    Source& source;
    std::string text;  // scratch space for the token being read
    LeftOpen openAtEnd;
};

extern template class PdfLexer<StreamChainSource>;
extern template class PdfLexer<TextSource>;
extern template class PdfLexer<WindowSource>;
extern template class PdfLexer<FileRangeSource>;
