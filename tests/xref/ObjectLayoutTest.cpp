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

// Many objects, asked for as a copy asks (in pairs out of file order, runs, far jumps
// both ways): every answer is the one a search of every start gives.
TEST(ObjectLayout, EndsAreTheNextStartForNearAndFarQuestionsAmongManyObjects) {
    std::mt19937 random(11);
    std::vector<int64_t> offsets;
    for (int64_t offset = 9; offsets.size() < 2000; offset += 1 + static_cast<int64_t>(random() % 50))
        offsets.push_back(offset);
    std::shuffle(offsets.begin(), offsets.end(), random);
    const uint64_t fileEnd = static_cast<uint64_t>(offsets.size()) * 60;
    const XRefEntryTable entries = entriesAt(offsets);
    const ObjectLayout layout(entries, 0, fileEnd);
    std::vector<int64_t> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());

    std::vector<uint64_t> questions;
    for (size_t i = 0; i + 1 < sorted.size(); i += 2) {  // a page after its content stream
        questions.push_back(static_cast<uint64_t>(sorted[i + 1]));
        questions.push_back(static_cast<uint64_t>(sorted[i]));
    }
    for (int jump = 0; jump < 3000; ++jump) questions.push_back(random() % (fileEnd + 100));
    for (size_t i = sorted.size(); i-- > 0;) questions.push_back(static_cast<uint64_t>(sorted[i]) + 1);
    for (const uint64_t at : questions)
        ASSERT_EQ(expectedEnd(offsets, at, fileEnd), layout.endOfObjectAt(at)) << "at " << at;
}
