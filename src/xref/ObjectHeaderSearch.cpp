#include "xref/ObjectHeaderSearch.h"

#include <cstring>

#include "limits/Limits.h"
#include "parse/CharacterClass.h"

namespace {

constexpr size_t maximumHeaderSpaces = limits::maximumHeaderSpaces;
constexpr size_t maximumDigits = limits::maximumHeaderDigits;

// Reading backwards from `at` (exclusive) down to `from`.
class BackwardReader {
public:
    BackwardReader(const uint8_t* block, size_t from, size_t at) : block(block), from(from), at(at) {}

    size_t skipSpaces() {
        size_t count = 0;
        while (at > from && count < maximumHeaderSpaces && pdfchar::isWhitespace(block[at - 1])) --at, ++count;
        return count;
    }
    // A run of digits, read as a number; false when there is none.
    bool readDigits(uint64_t& value) {
        const size_t end = at;
        while (at > from && end - at < maximumDigits && pdfchar::isDigit(block[at - 1])) --at;
        if (at == end) return false;
        value = 0;
        for (size_t i = at; i < end; ++i) value = value * 10 + static_cast<uint64_t>(block[i] - '0');
        return true;
    }
    // Nothing of the token can stand before the current position.
    bool atTokenStart() const { return at == 0 || !pdfchar::isRegular(block[at - 1]); }
    size_t position() const { return at; }

private:
    const uint8_t* block;
    size_t from;
    size_t at;
};

// `keyword` at `at` ends there as a token: the byte after it is no regular character.
bool endsToken(const uint8_t* block, size_t end, size_t length, bool endsFile, bool& undecided) {
    undecided = end >= length && !endsFile;
    return end >= length ? endsFile : !pdfchar::isRegular(block[end]);
}

bool headerEndingAt(const uint8_t* block, size_t from, size_t objAt, ObjectHeader& header) {
    BackwardReader reader(block, from, objAt);
    uint64_t number = 0, generation = 0;
    if (reader.skipSpaces() == 0 || !reader.readDigits(generation)) return false;
    if (reader.skipSpaces() == 0 || !reader.readDigits(number) || !reader.atTokenStart()) return false;
    if (number == 0 || number >= uint64_t{limits::maximumEntries} || generation > INT32_MAX) return false;
    header.number = static_cast<int32_t>(number);
    header.generation = static_cast<int32_t>(generation);
    header.start = reader.position();
    header.end = objAt + 3;
    return true;
}

}  // namespace

// Each "obj" is found by its "j", which is rare in PDF syntax: memchr runs far
// faster than a general substring search, which also costs more to start.
bool findObjectHeader(const uint8_t* block, size_t from, size_t length, bool endsFile, ObjectHeader& header) {
    for (size_t at = from + 2; at < length;) {
        const void* hit = std::memchr(block + at, 'j', length - at);
        if (!hit) return false;
        const size_t objAt = static_cast<size_t>(static_cast<const uint8_t*>(hit) - block) - 2;
        at = objAt + 3;
        if (block[objAt] != 'o' || block[objAt + 1] != 'b') continue;
        bool undecided = false;
        if (!endsToken(block, objAt + 3, length, endsFile, undecided)) {
            if (undecided) return false;  // the next block tells
            continue;
        }
        if (headerEndingAt(block, from, objAt, header)) return true;
    }
    return false;
}

size_t findKeyword(const uint8_t* block, size_t from, size_t length, bool endsFile, const char* word) {
    const size_t wordLength = std::strlen(word);
    for (size_t at = from; at + wordLength <= length;) {
        const void* hit = std::memchr(block + at, word[0], length - wordLength + 1 - at);
        if (!hit) return length;
        const size_t found = static_cast<size_t>(static_cast<const uint8_t*>(hit) - block);
        at = found + 1;
        if (std::memcmp(block + found, word, wordLength) != 0) continue;
        const bool startsToken = found == 0 || !pdfchar::isRegular(block[found - 1]);
        bool undecided = false;
        if (startsToken && endsToken(block, found + wordLength, length, endsFile, undecided)) return found;
        if (undecided) return length;
    }
    return length;
}
