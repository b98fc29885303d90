#include "output/HeldBodies.h"

#include <algorithm>

namespace {

// Seven bits a byte, the last byte with its top bit clear.
void appendCount(std::vector<uint8_t>& into, size_t count) {
    for (; count >= 0x80; count >>= 7) into.push_back(static_cast<uint8_t>(count | 0x80));
    into.push_back(static_cast<uint8_t>(count));
}

size_t sharedStart(std::string_view a, std::string_view b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first -
                               a.begin());
}

// Bytes shared at the end, not counting any of the first `taken` bytes of either.
size_t sharedEnd(std::string_view a, std::string_view b, size_t taken) {
    const size_t most = std::min(a.size(), b.size()) - taken;
    return static_cast<size_t>(std::mismatch(a.rbegin(), a.rbegin() + most, b.rbegin()).first - a.rbegin());
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
