#pragma once

#include <array>
#include <cstdint>

// The PDF format's three character classes.
namespace pdfchar {

constexpr uint8_t regular = 0;
constexpr uint8_t whitespace = 1;
constexpr uint8_t delimiter = 2;

constexpr std::array<uint8_t, 256> makeTable() {
    std::array<uint8_t, 256> table{};
    for (int c : {0x00, 0x09, 0x0A, 0x0C, 0x0D, 0x20}) table[c] = whitespace;
    for (char c : {'%', '(', ')', '/', '<', '>', '[', ']', '{', '}'}) table[static_cast<uint8_t>(c)] = delimiter;
    return table;
}

inline constexpr std::array<uint8_t, 256> table = makeTable();

// -1 (end of input) is neither.
inline bool isWhitespace(int c) { return c >= 0 && table[c] == whitespace; }
inline bool isRegular(int c) { return c >= 0 && table[c] == regular; }
inline bool isDigit(int c) { return c >= '0' && c <= '9'; }

// A regular byte other than the "#" that starts an escape in a name: what a name
// written plainly is made of. One look-up, for the loops that pass over names.
constexpr std::array<bool, 256> makePlainNameTable() {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c) plain[c] = table[c] == regular && c != '#';
    return plain;
}
inline constexpr std::array<bool, 256> plainNameTable = makePlainNameTable();
inline bool isPlainNameByte(int c) { return c >= 0 && plainNameTable[c]; }

// Where the run of plain name bytes from `at` ends, at `end` at the latest. Four
// bytes a step while four remain: the bound is tested once a step, not once a byte.
inline uint32_t plainNameEnd(const uint8_t* bytes, uint32_t at, uint32_t end) {
    for (; end - at >= 4; at += 4) {
        if (!plainNameTable[bytes[at]]) return at;
        if (!plainNameTable[bytes[at + 1]]) return at + 1;
        if (!plainNameTable[bytes[at + 2]]) return at + 2;
        if (!plainNameTable[bytes[at + 3]]) return at + 3;
    }
    while (at < end && plainNameTable[bytes[at]]) ++at;
    return at;
}

inline int hexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace pdfchar
