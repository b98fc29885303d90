#include "xref/TableRows.h"

#include "parse/CharacterClass.h"

namespace tablerows {

namespace {

constexpr size_t offsetDigits = 10;
constexpr size_t generationDigits = 5;

// Digits read as the lexer reads an integer; ten of them always fit in 64 bits.
bool readDigits(const uint8_t* text, size_t count, int64_t& value) {
    int64_t magnitude = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!pdfchar::isDigit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    value = magnitude;
    return true;
}

}  // namespace

size_t readTail(const uint8_t* text, size_t length, bool& inUse) {
    if (length < tailBytes || !pdfchar::isWhitespace(text[0]) || (text[1] != 'n' && text[1] != 'f') ||
        !pdfchar::isWhitespace(text[2]))
        return 0;
    inUse = text[1] == 'n';
    size_t end = tailBytes;
    while (end < length && pdfchar::isWhitespace(text[end])) ++end;
    return end;
}

size_t readRow(const uint8_t* text, size_t length, XRefEntry& entry) {
    constexpr size_t generationStart = offsetDigits + 1;
    constexpr size_t tailStart = generationStart + generationDigits;
    int64_t offset = 0, generation = 0;
    bool inUse = false;
    if (length < tailStart || !readDigits(text, offsetDigits, offset) || !pdfchar::isWhitespace(text[offsetDigits]) ||
        !readDigits(text + generationStart, generationDigits, generation))
        return 0;
    const size_t tail = readTail(text + tailStart, length - tailStart, inUse);
    if (tail == 0) return 0;
    entry =
        XRefEntry{offset, static_cast<int32_t>(generation), inUse ? XRefEntryType::Uncompressed : XRefEntryType::Free};
    return tailStart + tail;
}

}  // namespace tablerows
