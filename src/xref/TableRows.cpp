#include "xref/TableRows.h"

#include <bit>
#include <cstring>

#include "parse/CharacterClass.h"

namespace tablerows {

namespace {

constexpr size_t offsetDigits = 10;
constexpr size_t generationDigits = 5;

// Eight digit bytes as their value, in a few steps over one 64-bit word instead
// of a step a byte: a table's offsets are read this way on every row. The first
// byte is the word's lowest, on a little-endian machine (elsewhere a byte at a
// step serves); false unless every byte is a digit.
bool readEightDigits(const uint8_t* text, uint64_t& value) {
    constexpr uint64_t highNibbles = 0xF0F0F0F0F0F0F0F0, zeros = 0x3030303030303030, sixes = 0x0606060606060606;
    uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    // '0' to '9' are 0x30 to 0x39: a high nibble of 3 that adding 6 keeps.
    if ((word & highNibbles) != zeros || ((word + sixes) & highNibbles) != zeros) return false;
    word -= zeros;
    word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FF;       // pairs of digits
    word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFF;     // fours
    value = (word * 10000 + (word >> 32)) & 0x00000000FFFFFFFF;  // all eight
    return true;
}

// Digits read as the lexer reads an integer; ten of them always fit in 64 bits.
bool readDigits(const uint8_t* text, size_t count, int64_t& value) {
    int64_t magnitude = 0;
    size_t i = 0;
    if (uint64_t eight = 0; std::endian::native == std::endian::little && count >= 8) {
        if (!readEightDigits(text, eight)) return false;
        magnitude = static_cast<int64_t>(eight);
        i = 8;
    }
    for (; i < count; ++i) {
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
