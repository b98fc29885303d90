#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "pages/NumberMarks.h"
#include "pages/PageRecord.h"
#include "xref/NumberMap.h"

// Where the walk's record of each page object's first listing stands, so that a
// page the tree lists again gets a copy of it instead of being fetched and read
// anew. Nearly every page is listed once: a mark per number tells those apart, and
// the places are gathered from the records only when a page is listed again (every
// record of a page object comes from a listing of it, the first from the first),
// then kept up as the walk goes on. A listing under another generation than the
// first is not that page.
class PageListings {
public:
    // A walk whose records start at `firstRecord` of its list, over objects numbered mostly below `numbers`.
    void start(size_t firstRecord, size_t numbers);
    // Page `number` listed under `generation`, its record the last of `pages`.
    void note(int32_t number, int32_t generation, const std::vector<PageRecord>& pages);
    // The place of the record of the first listing of `number`, when that was under `generation`.
    std::optional<size_t> firstListing(int32_t number, int32_t generation, const std::vector<PageRecord>& pages);

private:
    void gatherPlaces(const std::vector<PageRecord>& pages);

    NumberMarks listed;
    std::unordered_map<int32_t, int32_t> otherGenerations;  // first listings under a generation other than 0
    bool placesGathered = false;
    NumberMap<uint32_t> places;  // the record's place plus one, once gathered
    size_t firstRecord = 0;
};
