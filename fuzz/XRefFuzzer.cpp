// Opens arbitrary bytes as a PDF file in each way the program reads a file's
// cross-reference: strictly (classic tables and their trailers along the Prev chain,
// cross-reference streams with W, Index and predictors, a hybrid file's XRefStm),
// leniently with the rebuild by a scan where that fails (as -repair opens a file),
// and by the scan alone (as -repair does when the page tree cannot be walked). Each
// open cross-reference then fetches a few of its objects. Invariants:
// - the entries come in ascending numbers within the table, each of a known type;
// - a strict open read its newest section within the file, and kept a trailer;
// - after a repairing open every entry in the file body points at its object's
//   header "N G obj", as the lookup reads it;
// - nothing but the program's own exception escapes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "model/PdfException.h"
#include "parse/PdfLexer.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using namespace fuzzing;

// How many objects each open cross-reference fetches: enough to reach object
// streams and indirect Lengths, few enough to keep runs fast.
constexpr int fetchedObjects = 64;

void checkEntries(const CPdfXRef& xref) {
    int64_t previous = -1;
    for (const auto& [number, entry] : xref.getEntries()) {
        require(number > previous && number < xref.getEntries().numberBound(), "entries out of order");
        require(entry.type == XRefEntryType::Free || entry.type == XRefEntryType::Uncompressed ||
                    entry.type == XRefEntryType::Compressed,
                "an entry of no known type");
        previous = number;
    }
    require(xref.trailerDictionary().is(ElementType::Dictionary), "an open file without a trailer");
}

bool headerAt(std::string_view file, uint64_t position, int32_t number, int32_t generation) {
    if (position >= file.size()) return false;
    const std::string_view rest = file.substr(position);
    TextSource source(reinterpret_cast<const uint8_t*>(rest.data()), static_cast<uint32_t>(rest.size()));
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    lexer.lexToken(token);
    if (!token.is(LexedToken::Kind::Integer) || token.integer != number) return false;
    lexer.lexToken(token);
    if (!token.is(LexedToken::Kind::Integer) || token.integer != generation) return false;
    lexer.lexToken(token);
    return token.isKeyword("obj");
}

void checkHeaders(const CPdfXRef& xref, std::string_view file) {
    for (const auto& [number, entry] : xref.getEntries()) {
        if (entry.type != XRefEntryType::Uncompressed) continue;
        const uint64_t position = entry.position(xref.baseOffset());
        require(headerAt(file, position, number, entry.gen), "an entry of a repaired file points at no header");
    }
}

void fetchSome(CPdfXRef& xref) {
    int fetched = 0;
    for (const auto& [number, entry] : xref.getEntries()) {
        if (entry.type == XRefEntryType::Free) continue;
        if (++fetched > fetchedObjects) return;
        try {
            CPdfElement object;
            xref.fetchObject(number, entry.type == XRefEntryType::Compressed ? 0 : entry.gen, object);
            if (entry.type != XRefEntryType::Compressed) continue;
            int32_t length = -1;
            if (xref.getRawObject(number, 0, length)) require(length >= 0, "an object's text of negative length");
        } catch (const CPdfException&) {
        }
    }
}

void openStrictly(const MemoryFile& file, std::string_view bytes) {
    CPdfDocument document;
    try {
        document.open(file.handle());
    } catch (const CPdfException&) {
        return;
    }
    CPdfXRef& xref = *document.xref();
    checkEntries(xref);
    require(uint64_t{xref.baseOffset()} + xref.newestSection().offset < bytes.size(),
            "the newest section lies past the file");
    fetchSome(xref);
}

void openRepairing(const MemoryFile& file, std::string_view bytes) {
    CPdfDocument document;
    try {
        document.open(file.handle(), ReadMode::Recovering);
    } catch (const CPdfException&) {
        return;
    }
    checkEntries(*document.xref());
    checkHeaders(*document.xref(), bytes);
    fetchSome(*document.xref());
    if (document.xref()->recovery().wasRebuilt()) return;
    try {
        document.rebuildCrossReference();
    } catch (const CPdfException&) {
        return;
    }
    checkEntries(*document.xref());
    checkHeaders(*document.xref(), bytes);
    fetchSome(*document.xref());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const MemoryFile file(bytes);
    openStrictly(file, bytes);
    openRepairing(file, bytes);
    return 0;
}
