#include "pages/RepeatedPages.h"

#include <algorithm>
#include <utility>

#include "xref/NearlySorted.h"
#include "xref/NumberMap.h"

namespace {

// The object numbers that the pages list more than once, ascending. Listings are
// counted by number in one pass (a sort of every page's number cost as much as
// the rest of the selection when the tree lists pages out of number order).
std::vector<int32_t> repeatedNumbers(const std::vector<PageRecord>& pages) {
    // Most trees list their pages in ascending number: then none repeats.
    const auto descentOrRepeat = [](const PageRecord& a, const PageRecord& b) { return a.objNum >= b.objNum; };
    if (std::adjacent_find(pages.begin(), pages.end(), descentOrRepeat) == pages.end()) return {};
    NumberMap<uint8_t> listings;  // 1: listed once so far, 2: more often
    std::vector<int32_t> repeated;
    for (const PageRecord& page : pages) {
        if (page.objNum < 0) continue;
        uint8_t& seen = listings.at(page.objNum);
        if (seen == 1) repeated.push_back(page.objNum);
        if (seen < 2) ++seen;
    }
    sortNearlySorted(repeated);  // in the order of their second listings
    return repeated;
}

}  // namespace

RepeatedPages::RepeatedPages(const std::vector<PageRecord>& pages) {
    const std::vector<int32_t> repeated = repeatedNumbers(pages);
    if (repeated.empty()) return;
    const auto groupOf = [&repeated](int32_t number) -> size_t {
        const auto found = std::lower_bound(repeated.begin(), repeated.end(), number);
        return found != repeated.end() && *found == number ? static_cast<size_t>(found - repeated.begin())
                                                           : repeated.size();
    };
    // Counted first, then placed: one array for every listing, however many objects repeat.
    std::vector<size_t> next(repeated.size() + 1, 0);
    for (const PageRecord& page : pages)
        if (const size_t group = groupOf(page.objNum); group < repeated.size()) ++next[group + 1];
    for (size_t group = 1; group < next.size(); ++group) next[group] += next[group - 1];
    groupStarts.assign(next.begin(), next.end() - 1);
    listings.resize(next.back());
    for (size_t i = 0; i < pages.size(); ++i)
        if (const size_t group = groupOf(pages[i].objNum); group < repeated.size()) listings[next[group]++] = i;
}

RepeatedPages::Settlement RepeatedPages::settle(std::vector<PageRecord>& pages,
                                                const std::vector<uint32_t>* markedBy) const {
    Settlement settlement;
    for (size_t group = 0; group < groupStarts.size(); ++group) {
        const auto first = listings.begin() + static_cast<ptrdiff_t>(groupStarts[group]);
        const auto last = group + 1 < groupStarts.size()
                              ? listings.begin() + static_cast<ptrdiff_t>(groupStarts[group + 1])
                              : listings.end();
        const PageRecord* winner = nullptr;
        uint32_t latest = 0;
        for (auto page = first; page != last; ++page) {
            if (!pages[*page].selected) continue;
            const uint32_t item = markedBy ? (*markedBy)[*page] : 1;
            if (!winner || item > latest) {
                winner = &pages[*page];
                latest = item;
            }
        }
        if (!winner) continue;
        const int32_t rotation = winner->rotation;
        const uint8_t upright = winner->upright;
        bool differed = false;
        for (auto page = first; page != last; ++page) {
            PageRecord& listing = pages[*page];
            differed = differed || !listing.selected || listing.rotation != rotation || listing.upright != upright;
            listing.selected = 1;
            listing.rotation = rotation;
            listing.upright = upright;
        }
        if (!differed) continue;
        if (++settlement.conflicts > shownConflicts) continue;
        Conflict conflict;
        conflict.listingCount = static_cast<size_t>(last - first);
        conflict.firstListings.assign(first,
                                      first + static_cast<ptrdiff_t>(std::min(conflict.listingCount, shownListings)));
        settlement.shown.push_back(std::move(conflict));
    }
    return settlement;
}

std::string repeatedPageWarning(const RepeatedPages::Conflict& conflict) {
    const std::vector<size_t>& pages = conflict.firstListings;
    const bool complete = pages.size() == conflict.listingCount;
    std::string text = "pages ";
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) text += complete && i + 1 == pages.size() ? " and " : ", ";
        text += std::to_string(pages[i] + 1);
    }
    if (!complete) text += ", ...";
    text += " are one page object, listed ";
    text += conflict.listingCount == 2 ? std::string("twice") : std::to_string(conflict.listingCount) + " times";
    text +=
        " in the page tree; it holds one rotation, so each of them gets the angle of the last item that names "
        "any of them";
    return text;
}
