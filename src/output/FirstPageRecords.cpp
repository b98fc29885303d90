#include "output/FirstPageRecords.h"

#include <algorithm>

#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

// A table of the numbers' span takes no more than the sort's two words a record.
constexpr uint64_t tableNumbersPerRecord = 4;
constexpr uint64_t smallestTable = 64;

// A page record's object number and its place among the records, in one word
// that orders as the pair does: the number (its sign bit flipped, so that a
// negative one comes first) above the place. A sort of such words moves half the
// bytes of a sort of pairs and compares once.
constexpr uint32_t signBit = 0x80000000u;
uint64_t pageKey(int32_t number, size_t place) {
    return (uint64_t{static_cast<uint32_t>(number) ^ signBit} << 32) | place;
}
int32_t numberOf(uint64_t key) { return static_cast<int32_t>(static_cast<uint32_t>(key >> 32) ^ signBit); }
size_t placeOf(uint64_t key) { return static_cast<size_t>(key & UINT32_MAX); }

// Orders the words by their number, keeping words of one number in the order
// given: the places ascend as the words are made, so this orders them as pairs.
// One counting pass for each byte of the number that differs among the words:
// linear, where a comparison sort took a twentieth of a whole job on a page tree
// whose pages' numbers are out of their tree order.
void orderByNumber(std::vector<uint64_t>& keys) {
    // Trees whose pages come in the order of their numbers need no second buffer.
    if (std::is_sorted(keys.begin(), keys.end())) return;
    uint64_t differing = 0;
    for (const uint64_t key : keys) differing |= key ^ keys.front();
    std::vector<uint64_t> buffer(keys.size());
    for (int shift = 32; shift < 64; shift += 8) {
        if (((differing >> shift) & 0xFF) == 0) continue;
        size_t firstOfByte[257] = {};
        for (const uint64_t key : keys) ++firstOfByte[((key >> shift) & 0xFF) + 1];
        for (size_t byte = 0; byte < 256; ++byte) firstOfByte[byte + 1] += firstOfByte[byte];
        for (const uint64_t key : keys) buffer[firstOfByte[(key >> shift) & 0xFF]++] = key;
        keys.swap(buffer);
    }
}

}  // namespace

FirstPageRecords::FirstPageRecords(const std::vector<PageRecord>& pages) {
    if (pages.size() > UINT32_MAX) throw CPdfException(FailureKind::Damaged, message::damaged);
    int32_t highest = -1;
    lowest = INT32_MAX;
    for (const PageRecord& page : pages) {
        if (page.objNum < 0) continue;
        lowest = std::min(lowest, page.objNum);
        highest = std::max(highest, page.objNum);
    }
    if (highest < 0) return;  // no page has a number
    const uint64_t span = static_cast<uint64_t>(highest - lowest) + 1;
    if (span <= tableNumbersPerRecord * pages.size() + smallestTable) tabulate(pages, static_cast<size_t>(span));
    else sortByNumber(pages);
}

void FirstPageRecords::tabulate(const std::vector<PageRecord>& pages, size_t span) {
    placesFromLowest.assign(span, 0);
    for (size_t place = 0; place < pages.size(); ++place) {
        if (pages[place].objNum < 0) continue;
        uint32_t& first = placesFromLowest[static_cast<size_t>(pages[place].objNum - lowest)];
        if (first == 0) first = static_cast<uint32_t>(place + 1);
    }
}

void FirstPageRecords::sortByNumber(const std::vector<PageRecord>& pages) {
    sorted.reserve(pages.size());
    for (size_t place = 0; place < pages.size(); ++place) sorted.push_back(pageKey(pages[place].objNum, place));
    orderByNumber(sorted);
}

std::optional<size_t> FirstPageRecords::findSorted(int32_t number) {
    while (next < sorted.size() && numberOf(sorted[next]) < number) ++next;
    if (next < sorted.size() && numberOf(sorted[next]) == number) return placeOf(sorted[next]);
    return std::nullopt;
}
