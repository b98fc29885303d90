#include "rawtext/ObjectExtent.h"

#include <optional>

#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/DictionaryReader.h"
#include "parse/PdfParser.h"
#include "parse/ValueSieve.h"
#include "stream/FileBlockCache.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

ObjectExtent parseExtent(CPdfXRef* xref, uint32_t start, int32_t expectedNumber) {
    ObjectExtent extent;
    try {
        CPdfParser parser(xref, xref->fileStream()->openWindow(start, 0, CPdfElement::null()));
        parser.keepStreamsRaw();
        parser.recoverStreamEnds(xref->streamEndFinder());
        CPdfElement number, generation, keyword, object;
        parser.parseObject(number);
        parser.parseObject(generation);
        parser.parseObject(keyword);
        if (!number.is(ElementType::Integer) || !generation.is(ElementType::Integer) || !keyword.isKeyword("obj") ||
            number.integer() != expectedNumber)
            return extent;
        extent.parsed = true;
        extent.number = number.integer();
        extent.generation = generation.integer();
        // Only a dictionary can head a stream: anything else (a large array, say)
        // need not be built just to learn that.
        if (!parser.currentToken().isKeyword("<<")) return extent;
        KeySieve streamEntries{"Length", "Type"};  // nothing else of the object is read here
        parser.parseObject(object, streamEntries);
        if (!object.is(ElementType::Stream)) return extent;
        CPdfStream* data = object.stream();
        extent.isStream = true;
        extent.dataEnd = data->windowStart() + data->windowLength();
        extent.endstreamMissing = parser.endstreamWasMissing();
        if (CPdfDictionary* dictionary = data->streamDictionary()) {
            CPdfElement type;
            dictionary->find("Type", type);
            extent.isObjectStream = type.is(ElementType::Name) && type.hasText("ObjStm");
        }
    } catch (const CPdfException&) {
        extent.isStream = false;  // the object cannot be read that way: fall back to the text search
    }
    return extent;
}

// Whether the first token at file position `at` is the whole word "endstream",
// read through the block cache. `objectEnd` is then where a whole "endobj" right
// after it ends, counted from `at`, or 0.
bool endstreamAt(FileBlockCache& blocks, uint64_t at, uint32_t& objectEnd) {
    uint8_t bytes[64];
    const uint32_t got = static_cast<uint32_t>(blocks.readFully(at, bytes, sizeof bytes));
    TextSource source(bytes, got);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    // A word that reaches the end of what was read may go on in the file.
    const auto whole = [&] { return source.where() < got || got < sizeof bytes; };
    lexer.lexToken(token);
    if (!token.isKeyword("endstream") || !whole()) return false;
    lexer.lexToken(token);
    objectEnd = token.isKeyword("endobj") && whole() ? source.where() : 0;
    return true;
}

// The same answer as the parser's, from the object's first bytes, for an object
// whose header and dictionary read plainly there (see DictionaryReader::plain)
// and whose Length, if it is a stream, is a number that leads to "endstream".
// Nothing when the parser must settle it.
std::optional<ObjectExtent> skimExtent(CPdfXRef* xref, uint32_t start, int32_t expectedNumber, const uint8_t* head,
                                       uint32_t headLength) {
    using Reader = DictionaryReader<TextSource>;
    ObjectExtent extent;
    TextSource source(head, headLength);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    // A token that reaches the end of the head may go on in the file.
    const auto nextWhole = [&](PdfLexer<TextSource>& tokens, const TextSource& at) {
        tokens.lexToken(token);
        return at.where() < headLength;
    };
    if (!nextWhole(lexer, source) || !token.is(LexedToken::Kind::Integer)) return std::nullopt;
    extent.number = token.integer;
    if (!nextWhole(lexer, source) || !token.is(LexedToken::Kind::Integer)) return std::nullopt;
    extent.generation = token.integer;
    if (!nextWhole(lexer, source) || !token.isKeyword("obj")) return std::nullopt;
    if (extent.number != expectedNumber) return ObjectExtent{};
    extent.parsed = true;
    if (!nextWhole(lexer, source)) return std::nullopt;
    if (!token.isKeyword("<<")) return extent;

    Reader entries(source, source.where());
    entries.stopWhenNotPlain();
    bool lengthSeen = false, typeSeen = false;  // of two equal keys the first counts
    Reader::ValueKind lengthKind = Reader::ValueKind::Null;
    int32_t length = 0;
    while (entries.next()) {
        if (!lengthSeen && entries.keyIs("Length")) {
            lengthSeen = true;
            lengthKind = entries.valueKind();
            length = entries.integer();
        } else if (!typeSeen && entries.keyIs("Type")) {
            typeSeen = true;
            if (entries.valueKind() == Reader::ValueKind::Reference) return std::nullopt;  // resolved by a fetch
            extent.isObjectStream = entries.valueIs("ObjStm");
        }
    }
    if (!entries.closed() || !entries.plain()) return std::nullopt;
    TextSource after(head, headLength);
    after.rewindTo(entries.end());
    PdfLexer<TextSource> afterLexer(after);
    if (!nextWhole(afterLexer, after)) return std::nullopt;  // "stream" may follow beyond the head
    if (!token.isKeyword("stream")) {
        extent.isObjectStream = false;
        if (token.isKeyword("endobj")) extent.objectEnd = after.where();
        return extent;
    }
    // A stream: its data starts after the line that "stream" ends.
    FileBlockCache* blocks = xref->blockCache();
    if (xref->streamEndFinder() || !blocks || lengthKind != Reader::ValueKind::Integer || length < 0)
        return std::nullopt;
    afterLexer.skipToLineEnd();
    if (after.where() >= headLength) return std::nullopt;  // the line may go on beyond the head
    const uint64_t dataEnd = uint64_t{start} + after.where() + static_cast<uint32_t>(length);
    uint32_t endAfterData = 0;
    if (dataEnd > UINT32_MAX || !endstreamAt(*blocks, dataEnd, endAfterData)) return std::nullopt;
    extent.isStream = true;
    extent.dataEnd = static_cast<uint32_t>(dataEnd);
    if (endAfterData != 0 && dataEnd - start + endAfterData <= UINT32_MAX)
        extent.objectEnd = static_cast<uint32_t>(dataEnd - start + endAfterData);
    return extent;
}

}  // namespace

ObjectExtent readObjectExtent(CPdfXRef* xref, uint32_t start, int32_t expectedNumber, const uint8_t* head,
                              uint32_t headLength) {
    if (std::optional<ObjectExtent> skimmed = skimExtent(xref, start, expectedNumber, head, headLength))
        return *skimmed;
    return parseExtent(xref, start, expectedNumber);
}
