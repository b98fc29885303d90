#include "xref/SievedFetch.h"

#include <optional>
#include <vector>

#include "parse/PdfLexer.h"
#include "parse/PlainStreamHead.h"
#include "parse/SievedDictionary.h"
#include "parse/ValueSieve.h"
#include "stream/FileBlockCache.h"
#include "xref/PdfXRef.h"

namespace {

// Most page tree objects fit in the first read; a node with many kids in the second.
constexpr uint32_t firstHeadBytes = 512;
constexpr uint32_t secondHeadBytes = 8192;

// Where the value starts after "number generation obj", each token whole within
// the head; nothing when the header is not the object's.
std::optional<uint32_t> valueStart(const uint8_t* head, uint32_t length, int32_t number, int32_t generation) {
    if (const auto plain = matchPlainObjectHeader(head, length)) {
        if (plain->number != number || plain->generation != generation) return std::nullopt;
        return plain->valueStart;
    }
    TextSource source(head, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    const auto nextWhole = [&] {
        lexer.lexToken(token);
        return source.where() < length;
    };
    if (!nextWhole() || !token.is(LexedToken::Kind::Integer) || token.integer != number) return std::nullopt;
    if (!nextWhole() || !token.is(LexedToken::Kind::Integer) || token.integer != generation) return std::nullopt;
    if (!nextWhole() || !token.isKeyword("obj")) return std::nullopt;
    return source.where();
}

// The header, then the value.
SievedRead fetchFromHead(CPdfXRef& xref, const uint8_t* head, uint32_t length, bool fileEnded, int32_t number,
                         int32_t generation, ValueSieve& sieve, CPdfElement& out) {
    const std::optional<uint32_t> start = valueStart(head, length, number, generation);
    if (!start) return SievedRead::ForTheParser;
    const uint32_t value = *start;
    DictionarySpan span;
    const SievedRead read = readSievedDictionary(head + value, length - value, fileEnded, &xref, sieve, out, &span);
    if (read == SievedRead::Built && span.objectEnd != 0)
        xref.extents().noteDictionary(number, value + span.opening, value + span.objectEnd);
    return read;
}

}  // namespace

bool fetchSievedFromFile(CPdfXRef& xref, uint64_t offset, int32_t number, int32_t generation, ValueSieve& sieve,
                         CPdfElement& out) {
    FileBlockCache* blocks = xref.blockCache();
    if (!blocks) return false;
    uint8_t first[firstHeadBytes];
    const uint32_t got = static_cast<uint32_t>(blocks->readFully(offset, first, sizeof first));
    const SievedRead read = fetchFromHead(xref, first, got, got < sizeof first, number, generation, sieve, out);
    if (read != SievedRead::TextTooShort) return read == SievedRead::Built;
    std::vector<uint8_t> second(secondHeadBytes);
    const uint32_t more = static_cast<uint32_t>(blocks->readFully(offset, second.data(), second.size()));
    return fetchFromHead(xref, second.data(), more, more < second.size(), number, generation, sieve, out) ==
           SievedRead::Built;
}
