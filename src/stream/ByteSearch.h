#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The first occurrence of `pattern` in [begin, end), or null. memchr finds each
// candidate for the first byte at the C library's full speed and memcmp checks the
// rest: portable, where memmem is not (Windows lacks it), and as fast as memmem on
// the benchmark workloads, since the patterns are a few bytes long.
inline const uint8_t* searchBytes(const uint8_t* begin, const uint8_t* end, const char* pattern,
                                  uint32_t patternLength) {
    if (patternLength == 0 || end - begin < static_cast<std::ptrdiff_t>(patternLength)) return nullptr;
    const unsigned char first = static_cast<unsigned char>(pattern[0]);
    const uint8_t* const lastStart = end - patternLength;
    for (const uint8_t* at = begin; at <= lastStart; ++at) {
        at = static_cast<const uint8_t*>(std::memchr(at, first, static_cast<size_t>(lastStart - at) + 1));
        if (!at) return nullptr;
        if (std::memcmp(at + 1, pattern + 1, patternLength - 1) == 0) return at;
    }
    return nullptr;
}
