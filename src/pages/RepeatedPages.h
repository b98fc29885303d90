#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/PageRecord.h"

// A page object that the page tree lists more than once (readers show it at each
// place) holds a single /Rotate: every listing shows the same rotation. Once the
// pages are marked, each such object takes the mark of the last item that names
// any of its listings, at every listing, so that the output rotates the object as
// that item asks wherever the object shows.
class RepeatedPages {
public:
    // Finds the objects listed more than once, in time O(n log n) in the pages.
    explicit RepeatedPages(const std::vector<PageRecord>& pages);

    bool none() const { return groupStarts.empty(); }

    // An object whose listings had been asked for different rotations.
    struct Conflict {
        std::vector<size_t> firstListings;  // page indexes, the first few in page order
        size_t listingCount = 0;
    };
    struct Settlement {
        std::vector<Conflict> shown;  // the first few
        size_t conflicts = 0;
    };
    static constexpr size_t shownConflicts = 5, shownListings = 5;

    // Gives every listing of a repeated object the mark of its listing named by the
    // latest item: the highest number in `markedBy` (see PageItemList::mark), or,
    // without it (every item asks for one angle), any marked listing.
    Settlement settle(std::vector<PageRecord>& pages, const std::vector<uint32_t>* markedBy) const;

private:
    // The listings of every repeated object, one object after another, each in page
    // order; object k's run starts at groupStarts[k] and ends where the next starts.
    std::vector<size_t> listings;
    std::vector<size_t> groupStarts;
};

// The line that tells the user of one conflict: "pages 1 and 3 are one page object ...".
std::string repeatedPageWarning(const RepeatedPages::Conflict& conflict);
