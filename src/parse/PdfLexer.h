#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"
#include "stream/PdfFileStream.h"
#include "stream/PdfStream.h"

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
    uint32_t start;
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

    // Fills the empty `token`.
    void readToken(CPdfElement& token);
    // Passes over the rest of the line, with its CR, LF or CR LF.
    void skipToLineEnd();

private:
    void readLiteralString(CPdfElement& token);
    void readNumber(int firstByte, CPdfElement& token);
    void readName(CPdfElement& token);
    void readHexString(CPdfElement& token);
    void readWord(int firstByte, CPdfElement& token);

    Source& source;
    std::string text;  // scratch space for the token being read
};

extern template class PdfLexer<StreamChainSource>;
extern template class PdfLexer<TextSource>;
extern template class PdfLexer<WindowSource>;
