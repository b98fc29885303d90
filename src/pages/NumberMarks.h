#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "limits/Limits.h"

// A mark per object number, in a bitmap up to limits::markedNumberBound; beyond it
// one mark stands for all those numbers, so that a number there may be reported
// marked though it was not. A test before a lookup: nearly every number asked
// about was never marked, and the bitmap answers that in a few bytes a thousand
// numbers where a table by number takes a few pages.
class NumberMarks {
public:
    // Room for numbers below `count` at once: a bit each.
    void expect(size_t count) {
        const size_t wanted = std::min<size_t>(count, limits::markedNumberBound);
        if (bits.size() < wanted) bits.resize(wanted);
    }
    bool mayHold(int32_t number) const {
        const auto place = static_cast<uint32_t>(number);
        return place < bits.size() ? bits[place] : farMarked;
    }
    void mark(int32_t number) {
        const auto place = static_cast<uint32_t>(number);
        if (place >= limits::markedNumberBound) {
            farMarked = true;
            return;
        }
        // Grown in doublings: numbers mostly come a step past the last.
        if (place >= bits.size())
            bits.resize(std::min<size_t>(std::max<size_t>(place + 1, 2 * bits.size()), limits::markedNumberBound));
        bits[place] = true;
    }

private:
    std::vector<bool> bits;
    bool farMarked = false;
};
