#include <gtest/gtest.h>

#include <string>

#include "parse/CharacterClass.h"

// The run of plain name bytes ends where a byte loop over isPlainNameByte ends it,
// for every byte value at every place of a run longer than the steps of four it is
// read in, from any start, and never past the end it is given.
TEST(CharacterClass, APlainNameEndsWhereTheByteLoopEndsIt) {
    const auto byteLoopEnd = [](const std::string& text, uint32_t at, uint32_t end) {
        while (at < end && pdfchar::isPlainNameByte(static_cast<uint8_t>(text[at]))) ++at;
        return at;
    };
    for (int value = 0; value < 256; ++value) {
        for (uint32_t place = 0; place < 13; ++place) {
            std::string text(13, 'n');
            text[place] = static_cast<char>(value);
            const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
            for (uint32_t start = 0; start <= 5; ++start) {
                for (uint32_t end = start; end <= 13; ++end) {
                    ASSERT_EQ(byteLoopEnd(text, start, end), pdfchar::plainNameEnd(bytes, start, end))
                        << "byte " << value << " at " << place << ", from " << start << " to " << end;
                }
            }
        }
    }
}
