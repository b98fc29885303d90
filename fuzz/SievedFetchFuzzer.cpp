// Holds the sieved fetch from an object's first bytes (fetchSievedFromFile, with
// readSievedDictionary and the plain readers of the header and the dictionary)
// to the parser's sieved parse of the same object, and the end that the fast
// fetch notes for the object's text to the end that the lexer finds. The fast
// fetch reads a plain dictionary from the object's first 512 bytes, or 8192 where
// those cut it short, and steps aside for the parser wherever they do not settle
// the answer.
//
// The input (see Differential.h): a byte of options (bit 0: open the file as
// -repair does; bits 1-3: the edge that the padding moves the texts to; bits 4-6:
// the sieve, see sieveNumbered), the padding's distance from that edge, a byte of
// the kids a page tree sieve may still keep, then the objects' texts. For each
// object of the file that the fast fetch builds:
// - the parser, fetching it with the same sieve, builds the same value (the same
//   kept entries, first and last of a repeated key, to the last field), and does
//   not fail;
// - the object's extent, as the noted end gives it, is the extent that a
//   document without the note locates by the parser and the lexer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Differential.h"
#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"
#include "xref/SievedFetch.h"

namespace {

using namespace fuzzing;

constexpr int mostObjectsFetched = 32;

struct Options {
    ReadMode mode;
    unsigned sieve;
    uint64_t kidsLeft;
};

// A document over the file whose every reading goes through the parser.
bool openForTheParser(CPdfDocument& document, FILE* file, ReadMode mode) {
    try {
        document.open(file, mode);
    } catch (const CPdfException&) {
        return false;
    }
    document.xref()->fetchSievedFromFirstBytes(false);
    document.xref()->extents().skimHeads(false);
    document.xref()->extents().forget();  // nothing that the open read stands in for a reading below
    return true;
}

std::string parsedWithSieve(CPdfXRef& xref, int32_t number, int32_t generation, const Options& options,
                            const std::set<std::string>& keys) {
    const std::unique_ptr<ValueSieve> sieve = sieveNumbered(options.sieve, options.kidsLeft);
    try {
        CPdfElement object;
        xref.fetchObject(number, generation, object, sieve.get());
        return Description(keys, nullptr).of(object);
    } catch (const CPdfException& failure) {
        return std::string("failed: ") + failure.messageText();
    }
}

std::string locatedExtent(CPdfXRef& xref, int32_t number, const XRefEntry& entry) {
    try {
        return describe(xref.extents().locate(number, entry));
    } catch (const CPdfException& failure) {
        return std::string("failed: ") + failure.messageText();
    }
}

// The object's text as the file holds it, up to the next object: its candidate keys.
std::set<std::string> keysOf(std::string_view file, uint64_t start, const ValueSieve& sieve) {
    std::set<std::string> kept;
    if (start >= file.size()) return kept;
    const std::string_view text = file.substr(static_cast<size_t>(start), 8192);
    for (const std::string& key : namesIn(text))
        if (sieve.keeps(key)) kept.insert(key);
    return kept;
}

void checkObject(CPdfXRef& fast, CPdfXRef& parsed, std::string_view bytes, int32_t number, const XRefEntry& entry,
                 const Options& options) {
    const uint64_t offset = entry.position(fast.baseOffset());
    const std::unique_ptr<ValueSieve> sieve = sieveNumbered(options.sieve, options.kidsLeft);
    const std::set<std::string> keys = keysOf(bytes, offset, *sieve);
    CPdfElement object;
    if (!fetchSievedFromFile(fast, offset, number, entry.gen, *sieve, object)) return;
    requireSame(Description(keys, nullptr).of(object), parsedWithSieve(parsed, number, entry.gen, options, keys),
                "a sieved fetch from the first bytes builds otherwise than the parser");
    requireSame(locatedExtent(fast, number, entry), locatedExtent(parsed, number, entry),
                "the end that a sieved fetch notes is not the lexer's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const Options options{(data[0] & 1) != 0 ? ReadMode::Recovering : ReadMode::Strict,
                          static_cast<unsigned>(data[0] >> 4) & 7, data[2] == 0xFF ? UINT64_MAX : data[2]};
    const size_t padTo = paddedTo(readEdge(data[0] >> 1), data[1]);
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::string bytes = smallFile(piecesOf(text, padTo)).bytes;
    const MemoryFile file(bytes);
    CPdfDocument fastDocument, parserDocument;
    if (!openForTheParser(fastDocument, file.handle(), options.mode) ||
        !openForTheParser(parserDocument, file.handle(), options.mode))
        return 0;
    CPdfXRef& fast = *fastDocument.xref();
    int objects = 0;
    for (const auto& [number, entry] : fast.getEntries()) {
        if (entry.type != XRefEntryType::Uncompressed) continue;
        if (++objects > mostObjectsFetched) break;
        const XRefEntry* parsedEntry = parserDocument.xref()->getEntries().find(number);
        require(parsedEntry && parsedEntry->offset() == entry.offset(), "two opens of one file read other entries");
        checkObject(fast, *parserDocument.xref(), bytes, number, entry, options);
    }
    return 0;
}
