#include "stream/PatternSearch.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "limits/Limits.h"
#include "stream/FileBlockCache.h"

uint32_t findPattern(const uint8_t* text, uint32_t start, uint32_t length, const char* pattern,
                     uint32_t patternLength) {
    if (start >= length) return 0;
    const uint8_t* found = searchBytes(text + start, text + length, pattern, patternLength);
    return found ? static_cast<uint32_t>(found - text) + patternLength - 1 : 0;
}

uint64_t findPatternInRange(FileBlockCache& file, uint64_t start, uint64_t end, const char* pattern,
                            uint32_t patternLength) {
    if (patternLength == 0 || start >= end) return 0;
    // The block is no larger than the range: most ranges end at the next object a
    // few hundred bytes on, and a buffer cleared in full on every call would cost
    // more than the search itself.
    const size_t blockSize = std::min<uint64_t>(limits::searchBlockBytes, end - start);
    std::vector<uint8_t> block(blockSize + patternLength);
    size_t carried = 0;              // bytes kept from the previous block
    uint64_t blockPosition = start;  // file position of block[0]
    for (;;) {
        const uint64_t left = end - (blockPosition + carried);
        const size_t read = file.readFully(blockPosition + carried, block.data() + carried,
                                           static_cast<size_t>(std::min<uint64_t>(blockSize, left)));
        if (read == 0) return 0;
        const size_t filled = carried + read;
        if (const uint8_t* found = searchBytes(block.data(), block.data() + filled, pattern, patternLength)) {
            return blockPosition + static_cast<uint64_t>(found - block.data()) + patternLength - 1;
        }
        // An occurrence may straddle two blocks: keep the tail that could begin one.
        carried = std::min<size_t>(filled, patternLength - 1);
        std::memmove(block.data(), block.data() + filled - carried, carried);
        blockPosition += filled - carried;
    }
}

uint32_t findNumberAfter(const uint8_t* text, uint32_t length, const char* key) {
    uint32_t i = findPattern(text, 0, length, key, static_cast<uint32_t>(std::strlen(key)));
    if (i == 0) return 0;
    while (i < length && (text[i] < '0' || text[i] > '9')) ++i;
    uint32_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    return value;
}
