#include "xref/ObjectLayout.h"

#include <algorithm>

namespace {

template <class Position>
void collectStarts(const XRefEntryTable& entries, uint64_t base, uint64_t fileEnd, std::vector<Position>& starts) {
    for (const auto [number, entry] : entries) {
        if (entry.type != XRefEntryType::Uncompressed || entry.offset() < 0) continue;
        const uint64_t start = entry.position(base);
        if (start < fileEnd) starts.push_back(static_cast<Position>(start));
    }
    if (!std::is_sorted(starts.begin(), starts.end())) std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
}

// The index of the first start past `start`. Objects are mostly asked for in file
// order (a copy goes in ascending number, which most files write in ascending
// offset): the answer to the last question, and the one after it, are tried first.
template <class Position>
uint64_t nextStart(const std::vector<Position>& starts, uint64_t start, uint64_t fileEnd, size_t& hint) {
    const auto isNext = [&](size_t index) {
        return index <= starts.size() && (index == starts.size() || starts[index] > start) &&
               (index == 0 || starts[index - 1] <= start);
    };
    size_t next = hint;
    if (!isNext(next) && !isNext(++next))
        next = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), start) - starts.begin());
    hint = next;
    return next == starts.size() ? fileEnd : starts[next];
}

}  // namespace

ObjectLayout::ObjectLayout(const XRefEntryTable& entries, uint64_t base, uint64_t fileSize) : fileEnd(fileSize) {
    if (fileSize <= UINT32_MAX) collectStarts(entries, base, fileEnd, nearStarts);
    else collectStarts(entries, base, fileEnd, farStarts);
}

uint64_t ObjectLayout::endOfObjectAt(uint64_t start) const {
    return fileEnd <= UINT32_MAX ? nextStart(nearStarts, start, fileEnd, lastAnswer)
                                 : nextStart(farStarts, start, fileEnd, lastAnswer);
}
