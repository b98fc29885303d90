#include "xref/ObjectLayout.h"

#include <algorithm>

ObjectLayout::ObjectLayout(const XRefEntryTable& entries, uint32_t base, uint64_t fileSize)
    : fileEnd(static_cast<uint32_t>(std::min<uint64_t>(fileSize, UINT32_MAX))) {
    for (const auto [number, entry] : entries) {
        if (entry.type != XRefEntryType::Uncompressed || entry.offset < 0) continue;
        const uint64_t start = uint64_t{base} + static_cast<uint32_t>(entry.offset);
        if (start < fileEnd) starts.push_back(static_cast<uint32_t>(start));
    }
    if (!std::is_sorted(starts.begin(), starts.end())) std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
}

uint32_t ObjectLayout::endOfObjectAt(uint32_t start) const {
    const auto next = std::upper_bound(starts.begin(), starts.end(), start);
    return next == starts.end() ? fileEnd : *next;
}
