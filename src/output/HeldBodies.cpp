#include "output/HeldBodies.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Seven bits a byte, the last byte with its top bit clear.
void appendCount(std::vector<uint8_t>& into, size_t count) {
    for (; count >= 0x80; count >>= 7) into.push_back(static_cast<uint8_t>(count | 0x80));
    into.push_back(static_cast<uint8_t>(count));
}

// Eight bytes compared at once: the first bytes that differ are found in the
// first word that does, by its lowest (or, from the end, highest) differing bit,
// the word read in the machine's order, lowest address lowest.
static_assert(std::endian::native == std::endian::little);
uint64_t wordAt(const char* at) {
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

size_t sharedStart(std::string_view a, std::string_view b) {
    const size_t most = std::min(a.size(), b.size());
    size_t shared = 0;
    for (; shared + 8 <= most; shared += 8) {
        const uint64_t differing = wordAt(a.data() + shared) ^ wordAt(b.data() + shared);
        if (differing != 0) return shared + static_cast<size_t>(std::countr_zero(differing)) / 8;
    }
    while (shared < most && a[shared] == b[shared]) ++shared;
    return shared;
}

// Bytes shared at the end, not counting any of the first `taken` bytes of either.
size_t sharedEnd(std::string_view a, std::string_view b, size_t taken) {
    const size_t most = std::min(a.size(), b.size()) - taken;
    const char* const aEnd = a.data() + a.size();
    const char* const bEnd = b.data() + b.size();
    size_t shared = 0;
    for (; shared + 8 <= most; shared += 8) {
        const uint64_t differing = wordAt(aEnd - shared - 8) ^ wordAt(bEnd - shared - 8);
        if (differing != 0) return shared + static_cast<size_t>(std::countl_zero(differing)) / 8;
    }
    while (shared < most && aEnd[-1 - static_cast<ptrdiff_t>(shared)] == bEnd[-1 - static_cast<ptrdiff_t>(shared)])
        ++shared;
    return shared;
}

}  // namespace

bool HeldBodies::add(std::string_view body) {
    if (full) return false;
    const size_t start = sharedStart(previous, body);
    const size_t end = sharedEnd(previous, body, start);
    const size_t own = body.size() - start - end;
    // Three counts take at most ten bytes each.
    if (differences.size() + own + 30 > budget) {
        full = true;
        return false;
    }
    appendCount(differences, start);
    appendCount(differences, end);
    appendCount(differences, own);
    differences.insert(differences.end(), body.begin() + static_cast<ptrdiff_t>(start),
                       body.begin() + static_cast<ptrdiff_t>(start + own));
    previous.assign(body);
    ++held;
    return true;
}

size_t HeldBodies::readCount(size_t& at) const {
    size_t count = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = differences[at++];
        count |= static_cast<size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return count;
    }
}
