#include "stream/Adler32.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Where the compiler can build code for AVX2 beside the baseline, it is used when
// the processor has it: thirty-two bytes a step.
#if defined(__GNUC__) && defined(__x86_64__)
#define ADLER_WIDE_RUNS 1
#include <immintrin.h>
#endif

namespace adler {
namespace {

constexpr uint32_t modulus = 65521;
// The most bytes after which both sums still fit in 32 bits before they are
// reduced: 255 n (n + 1) / 2 + (n + 1) (modulus - 1) < 2^32.
constexpr size_t bytesBeforeReducing = 5552;

void addBytes(uint32_t& low, uint32_t& high, const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        low += bytes[i];
        high += low;
    }
}

#if defined(__SSE2__)
constexpr size_t lane = 16;

uint32_t sumOfLanes(__m128i lanes) {
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(1, 0, 3, 2)));
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(lanes));
}

// Sixteen bytes b0..b15 at a time: the low sum gains their sum, and the high sum
// gains 16 times the low sum before them plus 16 b0 + 15 b1 + ... + 1 b15. The
// sums are kept in 32-bit lanes and wrap as the scalar sums would; the true
// totals of a run fit in 32 bits, so the wrapped ones are exact.
void addRuns(uint32_t& low, uint32_t& high, const uint8_t*& bytes, size_t runs) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstWeights = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i lastWeights = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    __m128i byteSums = zero;        // the bytes so far, in two lanes
    __m128i byteSumsBefore = zero;  // over the runs, the bytes before each run
    __m128i weighted = zero;
    for (size_t r = 0; r < runs; ++r, bytes += lane) {
        const __m128i run = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        byteSumsBefore = _mm_add_epi32(byteSumsBefore, byteSums);
        byteSums = _mm_add_epi32(byteSums, _mm_sad_epu8(run, zero));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(run, zero), firstWeights));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(run, zero), lastWeights));
    }
    high += static_cast<uint32_t>(runs * lane) * low + lane * sumOfLanes(byteSumsBefore) + sumOfLanes(weighted);
    low += sumOfLanes(byteSums);
}

#if defined(ADLER_WIDE_RUNS)
constexpr size_t wideLane = 32;

__attribute__((target("avx2"))) __m128i halves(__m256i lanes) {
    return _mm_add_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
}

// The same, thirty-two bytes at a time: the bytes times their weights are summed in
// pairs of 16 bits (at most 255 * 32 + 255 * 31), then in 32-bit lanes.
__attribute__((target("avx2"))) void addWideRuns(uint32_t& low, uint32_t& high, const uint8_t*& bytes, size_t runs) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                                             13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    __m256i byteSums = zero, byteSumsBefore = zero, weighted = zero;
    for (size_t r = 0; r < runs; ++r, bytes += wideLane) {
        const __m256i run = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        byteSumsBefore = _mm256_add_epi32(byteSumsBefore, byteSums);
        byteSums = _mm256_add_epi32(byteSums, _mm256_sad_epu8(run, zero));
        weighted = _mm256_add_epi32(weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(run, weights), ones));
    }
    high += static_cast<uint32_t>(runs * wideLane) * low + wideLane * sumOfLanes(halves(byteSumsBefore)) +
            sumOfLanes(halves(weighted));
    low += sumOfLanes(halves(byteSums));
}

bool hasWideRuns() {
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
}
#endif
#endif

}  // namespace

uint32_t update(uint32_t adler, const uint8_t* bytes, size_t length) {
    return updateInSteps(adler, bytes, length, true);
}

uint32_t updateInSteps(uint32_t adler, const uint8_t* bytes, size_t length, bool wideSteps) {
    uint32_t low = adler & 0xFFFF;
    uint32_t high = adler >> 16;
    while (length > 0) {
        const size_t taken = std::min(length, bytesBeforeReducing);
        size_t left = taken;
#if defined(ADLER_WIDE_RUNS)
        if (wideSteps && hasWideRuns()) {
            addWideRuns(low, high, bytes, left / wideLane);
            left %= wideLane;
        }
#else
        (void)wideSteps;
#endif
#if defined(__SSE2__)
        addRuns(low, high, bytes, left / lane);
        left %= lane;
#endif
        addBytes(low, high, bytes, left);
        bytes += left;
        length -= taken;
        low %= modulus;
        high %= modulus;
    }
    return (high << 16) | low;
}

}  // namespace adler
