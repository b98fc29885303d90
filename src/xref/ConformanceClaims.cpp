#include "xref/ConformanceClaims.h"

#include <cstring>
#include <string>
#include <vector>

#include "limits/Limits.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "stream/ByteSearch.h"
#include "stream/PdfStream.h"
#include "xref/DocumentTraits.h"
#include "xref/PdfXRef.h"

namespace {

// A version text such as "2.0" or "1.7": 2.0 and later start with a digit of 2 or more.
bool isVersion2(const char* version, size_t length) { return length > 0 && version[0] >= '2' && version[0] <= '9'; }

bool headerDeclaresPdf2(const CPdfXRef& xref) {
    const std::string version = headerVersion(xref);
    return isVersion2(version.c_str(), version.size());
}

bool fetchCatalogue(CPdfXRef& xref, CPdfElement& catalogue) {
    xref.fetchObject(xref.rootNum(), xref.rootGen(), catalogue);
    return catalogue.is(ElementType::Dictionary);
}

// The text of pdfaid:part may stand across two blocks: the last bytes of one are kept for the next.
bool streamHolds(CPdfStream& stream, const char* pattern) {
    const size_t patternLength = std::strlen(pattern);
    constexpr size_t block = 64 * 1024;
    std::vector<uint8_t> window(block + patternLength);
    size_t kept = 0;
    for (size_t read = 0; read < limits::metadataSearchBytes;) {
        const size_t got = stream.readBlock(window.data() + kept, block);
        if (got == 0) return false;
        read += got;
        const uint8_t* end = window.data() + kept + got;
        if (searchBytes(window.data(), end, pattern, static_cast<uint32_t>(patternLength))) return true;
        kept = std::min(patternLength - 1, kept + got);
        std::memmove(window.data(), end - kept, kept);
    }
    return false;
}

}  // namespace

bool declaresPdf2(CPdfXRef& xref) {
    if (headerDeclaresPdf2(xref)) return true;
    CPdfElement catalogue, version;
    if (!fetchCatalogue(xref, catalogue)) return false;
    catalogue.dictionary()->find("Version", version);
    return version.is(ElementType::Name) && isVersion2(version.text(), std::strlen(version.text()));
}

bool declaresPdfA(CPdfXRef& xref) {
    CPdfElement catalogue, metadata;
    if (!fetchCatalogue(xref, catalogue)) return false;
    try {
        catalogue.dictionary()->find("Metadata", metadata);
        return metadata.is(ElementType::Stream) && streamHolds(*metadata.stream(), "pdfaid:part");
    } catch (const CPdfException&) {
        return false;
    }
}
