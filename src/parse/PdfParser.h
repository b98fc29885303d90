#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/PdfElement.h"

class CPdfStream;
class CPdfXRef;

// Reads complete PDF objects from a byte stream, with two tokens of look-ahead:
// exactly enough to tell an integer from the start of an indirect reference.
class CPdfParser {
public:
    // Takes over the caller's count of `stream`. `xref` may be null (while a
    // cross-reference section is read, nothing can be resolved yet).
    CPdfParser(CPdfXRef* xref, CPdfStream* stream);
    CPdfParser(const CPdfParser&) = delete;
    CPdfParser& operator=(const CPdfParser&) = delete;
    virtual ~CPdfParser();

    // Fills the empty `out` with the next complete object.
    void parseObject(CPdfElement& out);

    // Stream objects come out undecoded, as windows of their raw data.
    void keepStreamsRaw() { decodeStreams = false; }

    // The token that the next parseObject starts from.
    const CPdfElement& currentToken() const { return first; }

    // Containers nested deeper than this end the parse as damaged input.
    static constexpr int maximumDepth = 500;

private:
    // Lexer.
    int readChar();
    int peekChar();
    void skipToLineEnd();
    void readToken(CPdfElement& token);
    void readLiteralString(CPdfElement& token);
    void readNumber(int firstByte, CPdfElement& token);
    void readName(CPdfElement& token);
    void readHexString(CPdfElement& token);
    void readWord(int firstByte, CPdfElement& token);

    // Parser.
    void advance();
    void parseAt(CPdfElement& out, int depth);
    void parseArray(CPdfElement& out, int depth);
    void parseDictionary(CPdfElement& out, int depth);
    CPdfStream* parseStreamBody(CPdfElement& dictionary);

    CPdfXRef* xref;
    CPdfElement first;
    CPdfElement second;
    std::vector<CPdfStream*> streams;
    int32_t currentStream = 0;
    bool decodeStreams = true;
    std::string text;  // scratch space for the token being read
};
