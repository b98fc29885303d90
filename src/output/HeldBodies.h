#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Object texts held for a second use, each one as its difference from the one
// before it: how many bytes it shares with it at the start and at the end, and
// the bytes between. The page objects of one file differ from each other in a few
// numbers, so 20,000 of them (2.2 MB) take about 160 KB. Texts that differ more
// take more room: a text that would pass the budget is not taken, nor any after it.
class HeldBodies {
public:
    // Room for the whole budget is set aside at once: only what is filled is touched,
    // and nothing is copied as the texts grow.
    explicit HeldBodies(size_t budgetBytes) : budget(budgetBytes) { differences.reserve(budgetBytes); }

    // False, and nothing held, once the budget is reached.
    bool add(std::string_view body);
    size_t count() const { return held; }

    // Hands each text to `take`, in the order added.
    template <class Take>
    void replay(Take&& take) const {
        std::string current, next;
        size_t at = 0;
        for (size_t i = 0; i < held; ++i) {
            const size_t shared = readCount(at), sharedEnd = readCount(at), own = readCount(at);
            next.assign(current, 0, shared);
            next.append(reinterpret_cast<const char*>(differences.data() + at), own);
            next.append(current, current.size() - sharedEnd, sharedEnd);
            at += own;
            current.swap(next);
            take(std::string_view(current));
        }
    }

private:
    size_t readCount(size_t& at) const;

    std::vector<uint8_t> differences;  // for each text: three counts, then its own bytes
    std::string previous;
    size_t held = 0;
    size_t budget;
    bool full = false;
};
