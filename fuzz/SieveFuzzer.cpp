// Holds the sieved reads of an object held in memory, as an object stream holds
// it, to a full parse: the parser's sieved parse (the page tree walk's sieve
// among the others the program reads with) must build what the full parse
// builds with the sieve applied to it afterwards, and the dictionary reader's
// sieved read (readSievedDictionary, with the plain reader it tries first), where
// it builds, exactly what the parser's sieved parse builds.
//
// Read as a text that more may follow (as in a file), the dictionary reader's
// read must hold whatever follows: it builds what the parser builds of the text
// with the continuation after it.
//
// Where a read builds, it tells where the dictionary opens: just after the "<<"
// that the lexer reads first, and just after the "<<" where the page edit's scan
// of the text (behind an object header) finds it, with a key Rotate of its own
// exactly when the built dictionary holds one (the copy trusts both).
//
// The input: a byte of options (bits 0-2: the sieve, see sieveNumbered), a byte
// of the kids a page tree sieve may still keep (255: any number), then the text
// of one object as an object stream's window holds it, and after a line
// "%%next" (see Differential.h) the continuation.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "Differential.h"
#include "FuzzWorkspace.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "model/PdfDictionary.h"
#include "parse/PdfLexer.h"
#include "parse/SievedDictionary.h"
#include "rawtext/PageDictionary.h"
#include "stream/PdfMemoryStream.h"

namespace {

using namespace fuzzing;

struct Parse {
    bool failed = false;
    CPdfElement object;
};

Parse parsed(std::string_view text, ValueSieve* sieve) {
    Parse parse;
    try {
        CPdfParser parser(nullptr, makeRetained<CPdfMemoryStream>(reinterpret_cast<const uint8_t*>(text.data()),
                                                                  static_cast<uint32_t>(text.size())));
        if (sieve) parser.parseObject(parse.object, *sieve);
        else parser.parseObject(parse.object);
    } catch (const CPdfException&) {
        parse.failed = true;
    }
    return parse;
}

// The span a read gave holds what the lexer and the page edit's scan find.
void requireOpeningAgrees(std::string_view text, const DictionarySpan& span, const CPdfElement& built,
                          bool rotateKept) {
    TextSource source(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    lexer.lexToken(token);
    if (!token.isKeyword("<<") || source.where() != span.opening)
        require(false, "a sieved read tells another opening than the lexer's first token");
    const std::string header = "1 0 obj\n";
    const std::string object = header + std::string(text);
    const PageDictionaryLayout layout =
        scanPageDictionary(reinterpret_cast<const uint8_t*>(object.data()), static_cast<uint32_t>(object.size()));
    if (!layout.found || layout.bodyStart != header.size() + span.opening)
        require(false, "a sieved read tells another opening than the page edit's scan");
    if (rotateKept && layout.hasRotate != built.dictionary()->holds("Rotate"))
        require(false, "a sieved read and the page edit's scan disagree on a key Rotate");
}

std::set<std::string> keptKeys(const std::set<std::string>& keys, const ValueSieve& sieve) {
    std::set<std::string> kept;
    for (const std::string& key : keys)
        if (sieve.keeps(key)) kept.insert(key);
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const unsigned choice = data[0] & 7;
    const uint64_t kidsLeft = data[1] == 0xFF ? UINT64_MAX : data[1];
    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string_view text = input.substr(0, input.find(pieceSeparator));
    const std::string continued =
        std::string(text) + std::string(input.substr(std::min(input.size(), text.size() + pieceSeparator.size())));
    const std::set<std::string> names = namesIn(continued);
    if (!fewEnoughToDescribe(continued, names.size())) return 0;
    const std::unique_ptr<ValueSieve> sieve = sieveNumbered(choice, kidsLeft);
    const std::set<std::string> kept = keptKeys(names, *sieve);

    const Parse sievedParse = parsed(text, sieveNumbered(choice, kidsLeft).get());
    const std::string sieved = sievedParse.failed ? "failed" : Description(kept, nullptr).of(sievedParse.object);
    const Parse whole = parsed(text, nullptr);
    // Only built values count against the parser's bound: a full parse may fail where a sieved one does not.
    if (!whole.failed)
        requireSame(sieved, Description(names, sieve.get()).of(whole.object),
                    "a sieved parse builds otherwise than a full parse sieved afterwards");

    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<uint32_t>(text.size());
    CPdfElement object;
    DictionarySpan span;
    if (readSievedDictionary(bytes, length, true, nullptr, *sieveNumbered(choice, kidsLeft), object, &span) ==
        SievedRead::Built) {
        requireSame(Description(kept, nullptr).of(object), sieved,
                    "the dictionary reader's sieved read builds otherwise than the parser");
        requireOpeningAgrees(text, span, object, sieve->keeps("Rotate"));
    }
    object.clear();
    if (readSievedDictionary(bytes, length, false, nullptr, *sieveNumbered(choice, kidsLeft), object) ==
        SievedRead::Built) {
        const Parse continuedParse = parsed(continued, sieveNumbered(choice, kidsLeft).get());
        requireSame(Description(kept, nullptr).of(object),
                    continuedParse.failed ? "failed" : Description(kept, nullptr).of(continuedParse.object),
                    "the dictionary reader's read of a text that goes on builds otherwise than the parser");
    }
    return 0;
}
