#include "job/GrowthHint.h"

std::string growthHint(uint64_t inputBytes, uint64_t outputBytes) {
    if (inputBytes == 0 || outputBytes * 2 <= inputBytes * 3) return std::string();
    // The ratio to one decimal, cut rather than rounded: 1.5 only when it is over 1.5.
    const uint64_t tenths = outputBytes / inputBytes * 10 + outputBytes % inputBytes * 10 / inputBytes;
    return "the output is " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           " times the size of the input: -compact keeps the input's object streams and writes a smaller "
           "cross-reference";
}
