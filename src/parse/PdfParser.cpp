#include "parse/PdfParser.h"

#include <utility>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/Keywords.h"
#include "parse/StreamEnd.h"
#include "parse/ValueSieve.h"
#include "stream/PdfFilterChain.h"
#include "stream/PdfStream.h"
#include "stream/StreamDecryption.h"

namespace {

std::vector<RetainPtr<CPdfStream>> chainOf(RetainPtr<CPdfStream> stream) {
    std::vector<RetainPtr<CPdfStream>> chain;
    chain.push_back(std::move(stream));
    return chain;
}

// Inside a container, a keyword that frames objects means that its object has
// ended without closing it.
bool endsObject(const CPdfElement& token) {
    if (!token.is(ElementType::Keyword)) return false;
    const char* word = token.text();
    if (word[0] != 'e' && word[0] != 'o' && word[0] != 's') return false;
    return keywords::framesObject(token);
}

}  // namespace

CPdfParser::CPdfParser(IndirectObjectHolder* xref, RetainPtr<CPdfStream> stream)
    : xref(xref), streams(chainOf(std::move(stream))) {
    lexer.readToken(first);
    lexer.readToken(second);
}

CPdfParser::~CPdfParser() = default;

// The tokens move along the look-ahead: copying would allocate every text again.
void CPdfParser::advance() {
    first.clear();
    first.takeFrom(second);
    lexer.readToken(second);
}

void CPdfParser::restartAt(uint64_t position) {
    source.currentStream()->seek(static_cast<int64_t>(position), 0);
    first.clear();
    second.clear();
    lexer.readToken(first);
    lexer.readToken(second);
}

void CPdfParser::parseObject(CPdfElement& out) {
    valuesInObject = 0;
    parseAt(out, 0, Reading{});
}

void CPdfParser::parseObject(CPdfElement& out, ValueSieve& sieve) {
    valuesInObject = 0;
    parseAt(out, 0, Reading{&sieve, false, {}});
}

// Only built values count against the limit: values passed over cost nothing.
void CPdfParser::parseAt(CPdfElement& out, int depth, const Reading& reading) {
    if (!reading.discard && ++valuesInObject > limits::maximumValuesPerObject)
        throw CPdfException(FailureKind::Damaged, message::damaged);
    if (first.isKeyword("[")) {
        parseArray(out, depth + 1, reading);
        return;
    }
    if (first.isKeyword("<<")) {
        parseDictionary(out, depth + 1, reading);
        return;
    }
    if (first.is(ElementType::Integer)) {
        const int64_t number = first.wideInteger();
        const int32_t modulo360 = first.integerModulo360();
        advance();
        if (first.is(ElementType::Integer) && second.isKeyword("R")) {
            out.setReference(CPdfElement::heldAt32Bits(number), first.integer());
            advance();
            advance();
        } else {
            out.setInteger(number, modulo360);
        }
        return;
    }
    out.takeFrom(first);
    advance();
}

// A keyword that ends the object ends a container left open: damage, or, for a
// document that recovers damaged files, the container's end. The keyword stays
// in the look-ahead, so every container still open ends there too.
bool CPdfParser::containerEndsHere() {
    if (first.is(ElementType::EndOfFile)) return true;
    if (!endsObject(first)) return false;
    if (!recoverUnclosed) throw CPdfException(FailureKind::Damaged, message::damaged);
    containersClosed = true;
    return true;
}

// The end of the input also ends a container; the EndOfFile token stays in the look-ahead.
void CPdfParser::parseArray(CPdfElement& out, int depth, const Reading& reading) {
    if (depth > limits::maximumNesting) throw CPdfException(FailureKind::Damaged, message::damaged);
    advance();
    if (reading.discard) out.setNull();
    else out.makeArray(xref);
    const Reading elements{reading.sieve, reading.discard, {}};
    for (uint32_t offered = 0;;) {
        if (first.isKeyword("]")) {
            advance();
            return;
        }
        if (containerEndsHere()) return;
        CPdfElement value;
        parseAt(value, depth, elements);
        if (reading.discard) continue;
        if (reading.sieve && !reading.elementKey.empty() &&
            !reading.sieve->keepsElement(reading.elementKey, offered++, value))
            continue;
        out.array()->add(std::move(value));
    }
}

void CPdfParser::parseDictionary(CPdfElement& out, int depth, const Reading& reading) {
    if (depth > limits::maximumNesting) throw CPdfException(FailureKind::Damaged, message::damaged);
    advance();
    out.makeDictionary(xref);
    for (;;) {
        if (first.isKeyword(">>")) break;
        if (containerEndsHere()) return;
        if (!first.is(ElementType::Name)) {
            advance();  // anything where a key belongs is skipped
            continue;
        }
        const std::string key = first.text();
        advance();
        if (first.is(ElementType::Error)) continue;
        if (endsObject(first) && containerEndsHere()) return;  // a key without a value at the object's end
        const bool keep = reading.discard ? key == "Length" : !reading.sieve || reading.sieve->keeps(key);
        CPdfElement value;
        parseAt(value, depth, Reading{reading.sieve, reading.discard || !keep, keep ? std::string_view(key) : ""});
        if (keep) out.dictionary()->add(key.c_str(), std::move(value));
    }
    if (!second.isKeyword("stream")) {
        advance();
        return;
    }
    const RetainPtr<CPdfStream> stream = parseStreamBody(out);
    out.clear();
    if (!stream) {
        out.setError();
        return;
    }
    out.shareStream(stream.get());
}

RetainPtr<CPdfStream> CPdfParser::parseStreamBody(CPdfElement& dictionary) {
    CPdfStream* input = source.currentStream();
    lexer.skipToLineEnd();
    const uint64_t dataStart = input->tell();
    CPdfElement lengthValue;
    dictionary.dictionary()->find("Length", lengthValue);
    if (streamEnds) return parseRecoveredStreamBody(input, dataStart, lengthValue, dictionary);
    if (!lengthValue.is(ElementType::Integer)) return nullptr;
    // Data of a negative length would end before it starts: the "endstream" looked
    // for there is text already read, and a parse that went on from it would read
    // that text again, without end where the object is among junk passed over.
    if (lengthValue.wideInteger() < 0) throw CPdfException(FailureKind::Damaged, message::missingEndstream);
    const uint64_t length = static_cast<uint64_t>(lengthValue.wideInteger());
    RetainPtr<CPdfStream> result = input->openWindow(dataStart, length, dictionary);
    if (!result) return nullptr;
    result = decoded(std::move(result), dictionary);
    if (!endstreamAfter(input, dataStart + length))
        throw CPdfException(FailureKind::Damaged, message::missingEndstream);
    advance();
    return result;
}

// The data runs to its Length when "endstream" follows there, else to where the
// finder says; a stream without "endstream" is read all the same.
RetainPtr<CPdfStream> CPdfParser::parseRecoveredStreamBody(CPdfStream* input, uint64_t dataStart,
                                                           const CPdfElement& lengthValue, CPdfElement& dictionary) {
    const bool lengthKnown = lengthValue.is(ElementType::Integer) && lengthValue.wideInteger() >= 0;
    uint64_t length = lengthKnown ? static_cast<uint64_t>(lengthValue.wideInteger()) : 0;
    bool endstream = lengthKnown && endstreamAfter(input, dataStart + length);
    if (!endstream) {
        length = streamEnds->dataLength(dataStart, lengthKnown ? length : StreamEndFinder::unknownLength);
        endstream = endstreamAfter(input, dataStart + length);
    }
    RetainPtr<CPdfStream> result = input->openWindow(dataStart, length, dictionary);
    if (!result) return nullptr;
    result = decoded(std::move(result), dictionary);
    endstreamMissing = !endstream;
    if (endstream) advance();
    return result;
}

// In an encrypted file the data is decrypted before its filters decode it.
RetainPtr<CPdfStream> CPdfParser::decoded(RetainPtr<CPdfStream> data, const CPdfElement& dictionary) const {
    if (!decodeStreams) return data;
    if (decryptor) data = decryptor->decryptStream(std::move(data), dictionary, decryptedObject);
    if (!data) return nullptr;
    return applyFilters(std::move(data), dictionary);
}

// Reads the two tokens after the data; the first is "endstream" when the data ends there.
bool CPdfParser::endstreamAfter(CPdfStream* input, uint64_t dataEnd) {
    input->seek(static_cast<int64_t>(dataEnd), 0);
    advance();
    advance();
    return first.isKeyword("endstream");
}
