#include "parse/PdfParser.h"

#include <utility>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "stream/PdfFilterChain.h"
#include "stream/PdfStream.h"

CPdfParser::CPdfParser(CPdfXRef* xref, CPdfStream* stream) : xref(xref) {
    try {
        streams.push_back(stream);
    } catch (...) {
        stream->release();
        throw;
    }
    readToken(first);
    readToken(second);
}

CPdfParser::~CPdfParser() {
    for (CPdfStream* stream : streams) stream->release();
}

// The tokens move along the look-ahead: copying would allocate every text again.
void CPdfParser::advance() {
    first.clear();
    first.takeFrom(second);
    readToken(second);
}

void CPdfParser::parseObject(CPdfElement& out) { parseAt(out, 0); }

void CPdfParser::parseAt(CPdfElement& out, int depth) {
    if (first.isKeyword("[")) {
        parseArray(out, depth + 1);
        return;
    }
    if (first.isKeyword("<<")) {
        parseDictionary(out, depth + 1);
        return;
    }
    if (first.is(ElementType::Integer)) {
        const int32_t number = first.integer();
        advance();
        if (first.is(ElementType::Integer) && second.isKeyword("R")) {
            out.setReference(number, first.integer());
            advance();
            advance();
        } else {
            out.setInteger(number);
        }
        return;
    }
    out.takeFrom(first);
    advance();
}

// The end of the input also ends a container; the EndOfFile token stays in the look-ahead.
void CPdfParser::parseArray(CPdfElement& out, int depth) {
    if (depth > maximumDepth) throw CPdfException("PDF file was damaged");
    advance();
    out.makeArray(xref);
    for (;;) {
        if (first.isKeyword("]")) {
            advance();
            return;
        }
        if (first.is(ElementType::EndOfFile)) return;
        CPdfElement value;
        parseAt(value, depth);
        out.array()->add(std::move(value));
    }
}

void CPdfParser::parseDictionary(CPdfElement& out, int depth) {
    if (depth > maximumDepth) throw CPdfException("PDF file was damaged");
    advance();
    out.makeDictionary(xref);
    for (;;) {
        if (first.isKeyword(">>")) break;
        if (first.is(ElementType::EndOfFile)) return;
        if (!first.is(ElementType::Name)) {
            advance();  // anything where a key belongs is skipped
            continue;
        }
        const std::string key = first.text();
        advance();
        if (first.is(ElementType::Error)) continue;
        CPdfElement value;
        parseAt(value, depth);
        out.dictionary()->add(key.c_str(), std::move(value));
    }
    if (!second.isKeyword("stream")) {
        advance();
        return;
    }
    CPdfStream* stream = parseStreamBody(out);
    out.clear();
    if (!stream) {
        out.setError();
        return;
    }
    out.shareStream(stream);
    stream->release();
}

CPdfStream* CPdfParser::parseStreamBody(CPdfElement& dictionary) {
    CPdfStream* input = streams[currentStream];
    skipToLineEnd();
    const uint32_t dataStart = input->tell();
    uint32_t length = 0;
    {
        CPdfElement lengthValue;
        dictionary.dictionary()->find("Length", lengthValue);
        if (!lengthValue.is(ElementType::Integer)) return nullptr;
        length = static_cast<uint32_t>(lengthValue.integer());
    }
    CPdfStream* raw = input->openWindow(dataStart, length, dictionary);
    if (!raw) return nullptr;
    CPdfStream* decoded = raw;
    if (decodeStreams) {
        try {
            decoded = applyFilters(raw, dictionary);
        } catch (...) {
            raw->release();
            throw;
        }
        if (!decoded) raw->release();
    }
    StreamHolder result(decoded);
    input->seek(static_cast<int32_t>(dataStart + length), 0);
    advance();
    advance();
    if (!first.isKeyword("endstream")) throw CPdfException("Missing 'endstream'");
    advance();
    return result.take();
}
