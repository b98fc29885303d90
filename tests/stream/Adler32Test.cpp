#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "stream/Adler32.h"

namespace {

uint32_t zlibAdler(uint32_t adler, const uint8_t* bytes, size_t length) {
    return static_cast<uint32_t>(adler32_z(adler, bytes, length));
}

}  // namespace

// The sums agree with zlib's for every length around the runs of sixteen and the
// reductions, from any start within a buffer, continued from any running value,
// and with bytes of 255 throughout, where the sums grow fastest.
TEST(Adler32, AgreesWithZlib) {
    std::vector<uint8_t> random(40000);
    uint32_t seed = 7;
    for (uint8_t& byte : random) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 23);
    const std::vector<uint8_t> full(40000, 255);
    const size_t lengths[] = {0, 1, 15, 16, 17, 31, 33, 5535, 5551, 5552, 5553, 5568, 11104, 11105, 39000};
    const std::vector<uint8_t>* patterns[] = {&random, &full};
    for (const std::vector<uint8_t>* bytes : patterns) {
        for (const size_t length : lengths) {
            for (const size_t offset : {0, 1, 7}) {
                for (const uint32_t start : {adler::start, 0xFFF0FFF0u, 0x12345678u % 65521u}) {
                    const uint8_t* data = bytes->data() + offset;
                    const uint32_t expected = zlibAdler(start, data, length);
                    EXPECT_EQ(expected, adler::update(start, data, length)) << length << " " << offset << " " << start;
                    EXPECT_EQ(expected, adler::updateInSteps(start, data, length, false)) << length << " " << offset;
                }
            }
        }
    }
    // Split anywhere, the sum goes on as over the whole.
    const uint32_t whole = zlibAdler(1, random.data(), random.size());
    for (const size_t split : {size_t{1}, size_t{100}, size_t{5552}, size_t{20001}}) {
        const uint32_t first = adler::update(adler::start, random.data(), split);
        EXPECT_EQ(whole, adler::update(first, random.data() + split, random.size() - split)) << split;
    }
}
