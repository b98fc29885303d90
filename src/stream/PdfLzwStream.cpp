#include "stream/PdfLzwStream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int clearCode = 256;
constexpr int endCode = 257;
constexpr uint32_t firstFreeCode = 258;
constexpr int widestCode = 12;

}  // namespace

CPdfLzwStream::CPdfLzwStream(RetainPtr<CPdfStream> underlying, bool earlyChange, int32_t predictor, int32_t columns,
                             int32_t colors, int32_t bits)
    : CPdfDecodingStream(std::move(underlying)), earlyChange(earlyChange ? 1 : 0) {
    for (uint32_t c = 0; c < 256; ++c) table[c] = {0, 1, static_cast<uint8_t>(c), static_cast<uint8_t>(c)};
    clearTable();
    usePredictor(predictor, columns, colors, bits);
}

void CPdfLzwStream::clearTable() {
    nextCode = firstFreeCode;
    width = 9;
    previous = -1;
}

// The next code of `width` bits, or -1 when the input ends first.
int CPdfLzwStream::readCode() {
    while (bitCount < width) {
        const int c = nextInput();
        if (c < 0) return -1;
        bitBuffer = bitBuffer << 8 | static_cast<uint32_t>(c);
        bitCount += 8;
    }
    bitCount -= width;
    return static_cast<int>(bitBuffer >> bitCount & ((1u << width) - 1));
}

// Writes the string of `code` to the end of `spelled`, from its last byte back.
void CPdfLzwStream::spell(uint32_t code) {
    spelledCurrent = tableSize - table[code].length;
    for (uint32_t at = tableSize; at > spelledCurrent;) {
        spelled[--at] = table[code].last;
        code = table[code].prefix;
    }
}

// Reads one code and spells its string; false at the end of the data.
bool CPdfLzwStream::decodeCode() {
    const int code = readCode();
    if (code < 0 || code == endCode) return false;
    if (code == clearCode) {
        clearTable();
        return true;
    }
    const auto known = static_cast<uint32_t>(code);
    if (previous < 0) {
        if (known > 255) return false;
    } else {
        // The one code the table may not hold yet is the one it is about to get:
        // the previous string and its own first byte.
        if (known > nextCode) return false;
        const Entry& before = table[previous];
        const uint8_t first = known < nextCode ? table[known].first : before.first;
        if (nextCode < tableSize) {
            table[nextCode] = {static_cast<uint16_t>(previous), static_cast<uint16_t>(before.length + 1), first,
                               before.first};
            ++nextCode;
        }
        const uint32_t coming = nextCode + earlyChange;
        width = coming >= 2048 ? widestCode : coming >= 1024 ? 11 : coming >= 512 ? 10 : 9;
    }
    spell(known);
    previous = code;
    return true;
}

uint32_t CPdfLzwStream::decode(unsigned char* into, uint32_t room) {
    uint32_t done = 0;
    while (done < room) {
        if (spelledCurrent < tableSize) {
            const uint32_t take = std::min(tableSize - spelledCurrent, room - done);
            std::memcpy(into + done, spelled + spelledCurrent, take);
            spelledCurrent += take;
            done += take;
            continue;
        }
        if (finished || !decodeCode()) {
            finished = true;
            break;
        }
    }
    return done;
}
