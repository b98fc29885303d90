#include "xref/SievedFetch.h"

#include <vector>

#include "parse/PdfLexer.h"
#include "parse/SievedDictionary.h"
#include "parse/ValueSieve.h"
#include "stream/FileBlockCache.h"
#include "xref/PdfXRef.h"

namespace {

// Most page tree objects fit in the first read; a node with many kids in the second.
constexpr uint32_t firstHeadBytes = 512;
constexpr uint32_t secondHeadBytes = 8192;

// "number generation obj", each token whole within the head; then the value.
SievedRead fetchFromHead(CPdfXRef& xref, uint64_t offset, const uint8_t* head, uint32_t length, bool fileEnded,
                         int32_t number, int32_t generation, ValueSieve& sieve, CPdfElement& out) {
    TextSource source(head, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    const auto nextWhole = [&] {
        lexer.lexToken(token);
        return source.where() < length;
    };
    const SievedRead otherwise = SievedRead::ForTheParser;
    if (!nextWhole() || !token.is(LexedToken::Kind::Integer) || token.integer != number) return otherwise;
    if (!nextWhole() || !token.is(LexedToken::Kind::Integer) || token.integer != generation) return otherwise;
    if (!nextWhole() || !token.isKeyword("obj")) return otherwise;
    const uint32_t value = source.where();
    uint32_t objectEnd = 0;
    const SievedRead read =
        readSievedDictionary(head + value, length - value, fileEnded, &xref, sieve, out, &objectEnd);
    if (read == SievedRead::Built && objectEnd != 0)
        xref.extents().noteDictionaryEnd(number, offset, offset + value + objectEnd);
    return read;
}

}  // namespace

bool fetchSievedFromFile(CPdfXRef& xref, uint64_t offset, int32_t number, int32_t generation, ValueSieve& sieve,
                         CPdfElement& out) {
    FileBlockCache* blocks = xref.blockCache();
    if (!blocks) return false;
    uint8_t first[firstHeadBytes];
    const uint32_t got = static_cast<uint32_t>(blocks->readFully(offset, first, sizeof first));
    const SievedRead read = fetchFromHead(xref, offset, first, got, got < sizeof first, number, generation, sieve, out);
    if (read != SievedRead::TextTooShort) return read == SievedRead::Built;
    std::vector<uint8_t> second(secondHeadBytes);
    const uint32_t more = static_cast<uint32_t>(blocks->readFully(offset, second.data(), second.size()));
    return fetchFromHead(xref, offset, second.data(), more, more < second.size(), number, generation, sieve, out) ==
           SievedRead::Built;
}
