#include "xref/ObjectLayout.h"

#include <algorithm>
#include <cstddef>

#include "xref/NearlySorted.h"

namespace {

template <class Position>
void collectStarts(const XRefEntryTable& entries, uint64_t base, uint64_t fileEnd, std::vector<Position>& starts) {
    // Room for every entry listed at once: the doublings would copy the starts into
    // memory touched for the first time.
    starts.reserve(static_cast<size_t>(entries.listedCount()));
    for (const auto [number, entry] : entries) {
        if (entry.type != XRefEntryType::Uncompressed || entry.offset() < 0) continue;
        const uint64_t start = entry.position(base);
        if (start < fileEnd) starts.push_back(static_cast<Position>(start));
    }
    sortNearlySorted(starts);
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
}

// The index of the first start past `start`. Objects are mostly asked for near the
// last one (a copy goes in ascending number, which files write in ascending offset or
// in pairs such as a page after its content stream): the search gallops from the last
// answer, in steps that double, and costs the logarithm of the distance, not of the file.
template <class Position>
size_t nextIndex(const std::vector<Position>& starts, uint64_t start, size_t hint) {
    const size_t count = starts.size();
    const auto firstPast = [&](size_t from, size_t to) {  // the answer lies in [from, to]
        return static_cast<size_t>(std::upper_bound(starts.begin() + static_cast<ptrdiff_t>(from),
                                                    starts.begin() + static_cast<ptrdiff_t>(to), start) -
                                   starts.begin());
    };
    hint = std::min(hint, count);
    if (hint < count && starts[hint] <= start) {  // the answer lies past the hint
        size_t from = hint + 1, step = 1;
        while (from + step <= count && starts[from + step - 1] <= start) {
            from += step;
            step *= 2;
        }
        return firstPast(from, std::min(from + step - 1, count));
    }
    size_t to = hint, step = 1;  // the answer lies at the hint or before it
    while (to >= step && starts[to - step] > start) {
        to -= step;
        step *= 2;
    }
    return firstPast(to >= step ? to - step + 1 : 0, to);
}

template <class Position>
uint64_t nextStart(const std::vector<Position>& starts, uint64_t start, uint64_t fileEnd, size_t& hint) {
    hint = nextIndex(starts, start, hint);
    return hint == starts.size() ? fileEnd : starts[hint];
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
