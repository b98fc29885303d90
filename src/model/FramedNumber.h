#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

// A number in decimal between two short literal texts ("/Rotate 90\n", "12 0 obj\r"),
// formatted into one buffer on the stack: the page edits, object heads and table
// lines that use it come by the thousand, and none needs an allocation. The
// literals' sizes are known when it is compiled, so the buffer cannot overflow.
class FramedNumber {
public:
    template <size_t BeforeSize, size_t AfterSize>
    FramedNumber(const char (&before)[BeforeSize], int64_t number, const char (&after)[AfterSize]) {
        static_assert(BeforeSize + AfterSize - 2 <= frameCapacity, "the frame is longer than the buffer");
        constexpr size_t beforeLength = BeforeSize - 1, afterLength = AfterSize - 1;  // without the NULs
        std::memcpy(buffer, before, beforeLength);
        char* const digitsEnd = std::to_chars(buffer + beforeLength, buffer + beforeLength + maxDigits, number).ptr;
        std::memcpy(digitsEnd, after, afterLength);
        length = static_cast<size_t>(digitsEnd - buffer) + afterLength;
    }

    std::string_view text() const { return {buffer, length}; }

private:
    static constexpr size_t frameCapacity = 44;  // the texts before and after together
    static constexpr size_t maxDigits = 20;      // a sign and 19 digits: any int64_t
    char buffer[frameCapacity + maxDigits];
    size_t length;
};
