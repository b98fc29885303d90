#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "xref/ObjectLayout.h"

namespace {

// Objects at the given offsets, one number each (several may share an offset).
XRefEntryTable entriesAt(const std::vector<int64_t>& offsets) {
    XRefEntryTable entries;
    entries.setFileSize(1'000'000);
    EXPECT_TRUE(entries.grow(static_cast<int64_t>(offsets.size()) + 1));
    for (size_t i = 0; i < offsets.size(); ++i)
        entries.setIfUnset(static_cast<int64_t>(i) + 1, XRefEntry(offsets[i], 0, XRefEntryType::Uncompressed));
    entries.finish();
    return entries;
}

// The first start past `at`, or the file's end, by looking at every start.
uint64_t expectedEnd(std::vector<int64_t> offsets, uint64_t at, uint64_t fileEnd) {
    uint64_t end = fileEnd;
    for (const int64_t offset : offsets)
        if (static_cast<uint64_t>(offset) > at && static_cast<uint64_t>(offset) < fileEnd)
            end = std::min(end, static_cast<uint64_t>(offset));
    return end;
}

}  // namespace

// The layout remembers where its last answer stood: questions in any order, between
// starts, on them, before the first and past the last, get the answers a search gives.
TEST(ObjectLayout, EndsAreTheNextStartWhateverTheOrderOfTheQuestions) {
    const std::vector<int64_t> offsets{900, 15, 300, 300, 120, 5000, 64, 2500, 40000};
    const uint64_t fileEnd = 30000;  // the last object lies past the end: it bounds nothing
    const XRefEntryTable entries = entriesAt(offsets);
    const ObjectLayout layout(entries, 0, fileEnd);

    std::vector<uint64_t> questions{0, 14, 15, 16, 64, 119, 120, 299, 300, 301, 899, 900, 2500, 4999, 5000, 29999};
    const auto askAll = [&](const char* order) {
        for (const uint64_t at : questions)
            EXPECT_EQ(expectedEnd(offsets, at, fileEnd), layout.endOfObjectAt(at)) << order << ", at " << at;
    };
    askAll("ascending");
    std::reverse(questions.begin(), questions.end());
    askAll("descending");
    std::mt19937 shuffle(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(questions.begin(), questions.end(), shuffle);
        askAll("shuffled");
    }
}
