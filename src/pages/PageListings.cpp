#include "pages/PageListings.h"

void PageListings::start(size_t first, size_t numbers) {
    *this = PageListings();
    firstRecord = first;
    listed.expect(numbers);
}

void PageListings::note(int32_t number, int32_t generation, const std::vector<PageRecord>& pages) {
    const size_t place = pages.size() - 1;
    if (number < 0 || pages.empty() || place >= UINT32_MAX) return;
    // No mark tells a first listing of a number past the bitmap's.
    if (!placesGathered && static_cast<uint32_t>(number) >= limits::markedNumberBound) gatherPlaces(pages);
    if (placesGathered) {
        uint32_t& gathered = places.at(number);
        if (gathered == 0) gathered = static_cast<uint32_t>(place + 1);
        if (gathered != place + 1) return;
    } else if (listed.mayHold(number)) {
        return;
    }
    listed.mark(number);
    if (generation != 0) otherGenerations.emplace(number, generation);
}

std::optional<size_t> PageListings::firstListing(int32_t number, int32_t generation,
                                                 const std::vector<PageRecord>& pages) {
    if (number < 0 || !listed.mayHold(number)) return std::nullopt;
    if (!placesGathered) gatherPlaces(pages);
    const uint32_t* place = places.find(number);
    if (!place || *place == 0) return std::nullopt;
    const auto other = otherGenerations.find(number);
    if ((other == otherGenerations.end() ? 0 : other->second) != generation) return std::nullopt;
    return *place - 1;
}

void PageListings::gatherPlaces(const std::vector<PageRecord>& pages) {
    placesGathered = true;
    for (size_t place = firstRecord; place < pages.size() && place < UINT32_MAX; ++place) {
        const int32_t number = pages[place].objNum;
        if (number < 0) continue;
        uint32_t& gathered = places.at(number);
        if (gathered == 0) gathered = static_cast<uint32_t>(place + 1);
    }
}
