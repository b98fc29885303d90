// The walk's note of each page object's first listing answers as a table of
// every listing by number would: a page listed again under the generation of its
// first listing is that page, under another it is not; before and after the
// places are gathered, and for numbers past the walk's bitmap.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "limits/Limits.h"
#include "pages/PageListings.h"

namespace {

// A walk as the page tree walker makes it: a listing found earlier is copied,
// any other makes a record and is noted.
struct WalkModel {
    std::vector<PageRecord> pages;
    std::map<int32_t, std::pair<int32_t, size_t>> firstListings;  // number: generation, place

    std::optional<size_t> expected(int32_t number, int32_t generation) const {
        const auto found = firstListings.find(number);
        if (found == firstListings.end() || found->second.first != generation) return std::nullopt;
        return found->second.second;
    }
};

void walkListing(WalkModel& model, PageListings& listings, int32_t number, int32_t generation) {
    const std::optional<size_t> expected = model.expected(number, generation);
    const std::optional<size_t> found = listings.firstListing(number, generation, model.pages);
    ASSERT_EQ(expected, found) << "object " << number << " generation " << generation;
    if (found) {
        model.pages.push_back(model.pages[*found]);
        return;
    }
    model.pages.push_back(PageRecord{number, 0, 0, 0, {}});
    listings.note(number, generation, model.pages);
    model.firstListings.try_emplace(number, generation, model.pages.size() - 1);
}

}  // namespace

TEST(PageListings, AnswerAsATableOfEveryFirstListing) {
    std::mt19937 random(5);
    const int32_t far = static_cast<int32_t>(limits::markedNumberBound);
    for (const bool farNumbers : {false, true}) {
        WalkModel model;
        PageListings listings;
        listings.start(0, 2000);
        // Each page once first, then pages listed again (gathering the places),
        // under their own generation or another, and new ones after that.
        for (int32_t number = 1; number < 1500; ++number)
            walkListing(model, listings, farNumbers && number % 7 == 0 ? far + number : number, number % 11 == 0);
        for (int i = 0; i < 4000; ++i) {
            const int32_t number = static_cast<int32_t>(1 + random() % 2500);
            const int32_t generation = random() % 5 == 0 ? static_cast<int32_t>(random() % 3) : 0;
            walkListing(model, listings, farNumbers && number % 7 == 0 ? far + number : number, generation);
        }
    }
}

TEST(PageListings, AWalkAfterAnotherAnswersForItsOwnRecordsOnly) {
    WalkModel model;
    PageListings listings;
    listings.start(0, 10);
    walkListing(model, listings, 4, 0);
    walkListing(model, listings, 4, 0);
    ASSERT_EQ(2u, model.pages.size());

    // The second walk appends to the same list: the first walk's records are not its.
    listings.start(model.pages.size(), 10);
    EXPECT_FALSE(listings.firstListing(4, 0, model.pages));
    model.pages.push_back(PageRecord{4, 0, 0, 0, {}});
    listings.note(4, 0, model.pages);
    const std::optional<size_t> again = listings.firstListing(4, 0, model.pages);
    ASSERT_TRUE(again);
    EXPECT_EQ(2u, *again);
}

TEST(PageListings, FirstListingsPastTheBitmapKeepTheirGenerations) {
    const int32_t far = static_cast<int32_t>(limits::markedNumberBound);
    std::vector<PageRecord> pages;
    PageListings listings;
    listings.start(0, 10);
    for (const auto& [number, generation] :
         std::vector<std::pair<int32_t, int32_t>>{{far + 1, 0}, {far + 2, 3}, {far + 1, 5}}) {
        pages.push_back(PageRecord{number, 0, 0, 0, {}});
        listings.note(number, generation, pages);
    }
    EXPECT_EQ(std::optional<size_t>(0), listings.firstListing(far + 1, 0, pages));
    EXPECT_FALSE(listings.firstListing(far + 1, 5, pages));
    EXPECT_EQ(std::optional<size_t>(1), listings.firstListing(far + 2, 3, pages));
    EXPECT_FALSE(listings.firstListing(far + 2, 0, pages));
}
