#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// Sorts `values` ascending. Object offsets and page numbers mostly come in order
// or nearly so (a content stream written just before its page): each value is
// moved to its place from behind, in time linear in their number, until the moves
// pass a few per value; then the rest is left to std::sort, so that no order of
// the input costs more than a sort.
template <class Value>
void sortNearlySorted(std::vector<Value>& values) {
    constexpr size_t movesPerValue = 8;
    const size_t movesAllowed = movesPerValue * values.size();
    size_t moves = 0;
    for (size_t i = 1; i < values.size(); ++i) {
        if (!(values[i] < values[i - 1])) continue;
        Value moving = std::move(values[i]);
        size_t place = i;
        do {
            values[place] = std::move(values[place - 1]);
            --place;
        } while (place > 0 && moving < values[place - 1] && ++moves <= movesAllowed);
        values[place] = std::move(moving);
        if (moves > movesAllowed) {
            std::sort(values.begin(), values.end());
            return;
        }
    }
}
