#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Where the first of the bytes `Wanted` lies in [at, length), or `length`: sixteen
// bytes are compared at once where the processor can. For the scans that pass
// over text to the few bytes that start what they look for.
template <uint8_t... Wanted>
size_t nextByteOf(const uint8_t* text, size_t at, size_t length) {
#if defined(__SSE2__)
    for (; length - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(Wanted))))), ...);
        if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)))
            return at + static_cast<size_t>(std::countr_zero(mask));
    }
#endif
    while (at < length && ((text[at] != Wanted) && ...)) ++at;
    return at;
}
