#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"
#include "parse/PdfLexer.h"

class CPdfStream;
class IndirectObjectHolder;
class ValueSieve;
class StreamEndFinder;
class StreamDecryption;

// Reads complete PDF objects from a byte stream, with two tokens of look-ahead:
// exactly enough to tell an integer from the start of an indirect reference.
//
// A container never reaches past the end of its object: the keywords that end an
// object (the keywords that frame objects: its own end, the next header, a stream) close
// every container still open, so that the parse of an unclosed object reads no
// further than its own text. Such an object is damage; a document that recovers
// damaged files takes the containers as closed there, with what they held.
class CPdfParser {
public:
    // `xref` may be null (while a cross-reference section is read, nothing can be
    // resolved yet).
    CPdfParser(IndirectObjectHolder* xref, RetainPtr<CPdfStream> stream);
    CPdfParser(const CPdfParser&) = delete;
    CPdfParser& operator=(const CPdfParser&) = delete;
    virtual ~CPdfParser();

    // Fills the empty `out` with the next complete object.
    void parseObject(CPdfElement& out);
    // The same, building only what `sieve` keeps (see ValueSieve).
    void parseObject(CPdfElement& out, ValueSieve& sieve);

    // Stream objects come out undecoded, as windows of their raw data.
    void keepStreamsRaw() { decodeStreams = false; }
    // Containers left open at the object's end close there, as a reader that
    // recovers damaged files takes them; otherwise they are damage.
    void recoverUnclosedContainers() { recoverUnclosed = true; }
    // The object being parsed is `object` of an encrypted file: its stream data is
    // decrypted before it is decoded.
    void decryptStreamsWith(const StreamDecryption* decryption, ObjectId object) {
        decryptor = decryption;
        decryptedObject = object;
    }

    // With "-repair": a stream whose Length does not lead to "endstream" ends where
    // `finder` says, and a missing "endstream" is no error. Only for a parser of
    // the input file itself, whose positions are file positions.
    void recoverStreamEnds(const StreamEndFinder* finder) { streamEnds = finder; }

    // Whether a container left open was taken as closed at its object's end since
    // this parser was made (only when unclosed containers are recovered).
    bool closedOpenContainers() const { return containersClosed; }

    // Whether the last stream read had no "endstream" after its data (only when
    // stream ends are recovered).
    bool endstreamWasMissing() const { return endstreamMissing; }

    // The token that the next parseObject starts from.
    const CPdfElement& currentToken() const { return first; }
    // The token after it.
    const CPdfElement& nextToken() const { return second; }
    // For a reader of text laid out in fixed fields (a cross-reference table's rows):
    // the stream being parsed, positioned just after the look-ahead, and the parse
    // going on from `position` of that stream, its look-ahead read anew there.
    CPdfStream& streamAtLookAheadEnd() const { return *source.currentStream(); }
    void restartAt(uint64_t position);

private:
    // How a value is read: built whole (no sieve), sieved, or passed over. A value
    // passed over is read token by token as if built; of its dictionaries only the
    // Length is kept, which a nested stream needs to be passed over as it is parsed.
    struct Reading {
        ValueSieve* sieve = nullptr;
        bool discard = false;
        std::string_view elementKey;  // the kept key an array is held under, for the sieve
    };

    void advance();
    void parseAt(CPdfElement& out, int depth, const Reading& reading);
    void parseArray(CPdfElement& out, int depth, const Reading& reading);
    void parseDictionary(CPdfElement& out, int depth, const Reading& reading);
    bool containerEndsHere();
    RetainPtr<CPdfStream> parseStreamBody(CPdfElement& dictionary);
    RetainPtr<CPdfStream> parseRecoveredStreamBody(CPdfStream* input, uint64_t dataStart,
                                                   const CPdfElement& lengthValue, CPdfElement& dictionary);
    bool endstreamAfter(CPdfStream* input, uint64_t dataEnd);
    RetainPtr<CPdfStream> decoded(RetainPtr<CPdfStream> data, const CPdfElement& dictionary) const;

    IndirectObjectHolder* xref;
    std::vector<RetainPtr<CPdfStream>> streams;
    StreamChainSource source{streams};
    PdfLexer<StreamChainSource> lexer{source};
    CPdfElement first;
    CPdfElement second;
    bool decodeStreams = true;
    bool recoverUnclosed = false;  // containers left open at the object's end close there
    bool containersClosed = false;
    const StreamEndFinder* streamEnds = nullptr;
    bool endstreamMissing = false;
    const StreamDecryption* decryptor = nullptr;
    ObjectId decryptedObject;
    uint32_t valuesInObject = 0;  // the values the current parseObject has made
};
