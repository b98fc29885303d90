#include "output/KeptTrailer.h"

#include <cstdint>

#include "parse/CharacterClass.h"

bool keepsDocumentId(const DocumentIdNeeds& needs) { return needs.encrypted || needs.requiredByStandard; }

namespace {

std::string hexString(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "<";
    for (const char c : bytes) {
        text.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        text.push_back(digits[static_cast<uint8_t>(c) & 15]);
    }
    return text + ">";
}

}  // namespace

std::string documentIdEntry(const std::vector<std::string>& ids) {
    if (ids.empty()) return std::string();
    std::string entry = "/ID [";
    for (const std::string& id : ids) entry += hexString(id);
    return entry + "]\n";
}

// The entry's text starts with the white space before its key: the trailer writer
// puts each entry on a line of its own. Of two Info keys the first counts, as the
// trailer dictionary reads it.
std::string directInfoEntry(const TrailerText& trailer) {
    for (const DictionaryEntry& entry : trailer.entries) {
        if (entry.key != "Info") continue;
        uint32_t start = entry.start;
        while (start < entry.end && pdfchar::isWhitespace(static_cast<uint8_t>(trailer.text[start]))) ++start;
        return trailer.text.substr(start, entry.end - start) + "\n";
    }
    return std::string();
}
