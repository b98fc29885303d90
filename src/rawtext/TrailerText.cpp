#include "rawtext/TrailerText.h"

#include <algorithm>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "xref/PdfXRef.h"
#include "stream/FileBlockCache.h"
#include "stream/PatternSearch.h"

namespace {

constexpr uint32_t firstChunkBytes = limits::firstTrailerChunkBytes;

// Bytes [start, start + count) of the file, fewer where it ends.
bool readBytes(FileBlockCache& input, uint64_t start, uint32_t count, std::string& bytes) {
    bytes.assign(count, '\0');
    bytes.resize(input.readFully(start, reinterpret_cast<uint8_t*>(bytes.data()), count));
    return true;
}

}  // namespace

// A classic table holds only digits, blanks and the letters n and f before its
// trailer, so the first "trailer" after the section's start is its keyword.
bool readTrailerText(FileBlockCache& input, uint64_t sectionStart, bool isStream, uint64_t fileSize,
                     TrailerText& trailer) {
    uint64_t start = sectionStart;
    if (!isStream) {
        const uint64_t keywordEnd = findPatternInRange(input, sectionStart, fileSize, "trailer", 7);
        if (keywordEnd == 0) return false;
        start = keywordEnd + 1;
    }
    if (start >= fileSize) return false;
    // A trailer's text is read into memory whole, as far as it goes.
    const uint32_t available = static_cast<uint32_t>(std::min<uint64_t>(fileSize - start, UINT32_MAX));
    uint32_t chunk = std::min(firstChunkBytes, available);
    for (;;) {
        if (!readBytes(input, start, chunk, trailer.text)) return false;
        const auto* text = reinterpret_cast<const uint8_t*>(trailer.text.data());
        if (scanDictionaryEntries(text, static_cast<uint32_t>(trailer.text.size()), trailer.entries)) return true;
        if (chunk == available || trailer.text.size() < chunk) return false;
        chunk = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{chunk} * 2, available));
    }
}

std::string directEncryptionEntry(const CPdfXRef& xref, uint64_t fileSize) {
    const TrailerPlace& place = xref.encryption().trailerPlace();
    TrailerText trailer;
    if (xref.blockCache() && readTrailerText(*xref.blockCache(), place.start, !place.isTable, fileSize, trailer)) {
        for (const DictionaryEntry& entry : trailer.entries)
            if (entry.key == "Encrypt") return trailer.text.substr(entry.start, entry.end - entry.start);
    }
    throw CPdfException(FailureKind::Damaged, message::damaged);
}
