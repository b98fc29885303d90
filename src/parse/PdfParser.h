#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"
#include "parse/PdfLexer.h"

class CPdfStream;
class CPdfXRef;
class StreamEndFinder;
class StreamDecryption;

// Reads complete PDF objects from a byte stream, with two tokens of look-ahead:
// exactly enough to tell an integer from the start of an indirect reference.
class CPdfParser {
public:
    // `xref` may be null (while a cross-reference section is read, nothing can be
    // resolved yet).
    CPdfParser(CPdfXRef* xref, RetainPtr<CPdfStream> stream);
    CPdfParser(const CPdfParser&) = delete;
    CPdfParser& operator=(const CPdfParser&) = delete;
    virtual ~CPdfParser();

    // Fills the empty `out` with the next complete object.
    void parseObject(CPdfElement& out);

    // Stream objects come out undecoded, as windows of their raw data.
    void keepStreamsRaw() { decodeStreams = false; }
    // The object being parsed is (number, generation) of an encrypted file: its
    // stream data is decrypted before it is decoded.
    void decryptStreamsWith(const StreamDecryption* decryption, int32_t number, int32_t generation) {
        decryptor = decryption;
        objectNumber = number;
        objectGeneration = generation;
    }

    // With "-repair": a stream whose Length does not lead to "endstream" ends where
    // `finder` says, and a missing "endstream" is no error. Only for a parser of
    // the input file itself, whose positions are file positions.
    void recoverStreamEnds(const StreamEndFinder* finder) { streamEnds = finder; }

    // Whether the last stream read had no "endstream" after its data (only when
    // stream ends are recovered).
    bool endstreamWasMissing() const { return endstreamMissing; }

    // The token that the next parseObject starts from.
    const CPdfElement& currentToken() const { return first; }

private:
    void advance();
    void parseAt(CPdfElement& out, int depth);
    void parseArray(CPdfElement& out, int depth);
    void parseDictionary(CPdfElement& out, int depth);
    RetainPtr<CPdfStream> parseStreamBody(CPdfElement& dictionary);
    RetainPtr<CPdfStream> parseRecoveredStreamBody(CPdfStream* input, uint32_t dataStart,
                                                   const CPdfElement& lengthValue, CPdfElement& dictionary);
    bool endstreamAfter(CPdfStream* input, uint32_t dataEnd);
    RetainPtr<CPdfStream> decoded(RetainPtr<CPdfStream> data, const CPdfElement& dictionary) const;

    CPdfXRef* xref;
    std::vector<RetainPtr<CPdfStream>> streams;
    StreamChainSource source{streams};
    PdfLexer<StreamChainSource> lexer{source};
    CPdfElement first;
    CPdfElement second;
    bool decodeStreams = true;
    const StreamEndFinder* streamEnds = nullptr;
    bool endstreamMissing = false;
    const StreamDecryption* decryptor = nullptr;
    int32_t objectNumber = 0;
    int32_t objectGeneration = 0;
    uint32_t valuesInObject = 0;  // the values the current parseObject has made
};
