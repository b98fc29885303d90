#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/PageItems.h"
#include "pages/PageList.h"
#include "pages/RepeatedPages.h"

namespace {

// Page records for the object numbers given, in page order.
std::vector<PageRecord> listing(const std::vector<int32_t>& numbers) {
    std::vector<PageRecord> pages;
    for (const int32_t number : numbers) pages.push_back(PageRecord{number, 0, 0, 0, {}});
    return pages;
}

std::string marks(const std::vector<PageRecord>& pages) {
    std::string result;
    for (const PageRecord& page : pages) {
        if (!result.empty()) result.push_back(' ');
        result.append(page.selected ? std::to_string(page.rotation) : std::string("."));
    }
    return result;
}

struct Settled {
    std::string marks;
    std::vector<std::string> warnings;
    size_t conflicts = 0;
};

// Marks `list` as the job does, items or a classic list, and settles the repeats.
Settled settle(const std::vector<int32_t>& numbers, const std::string& list, int32_t angle = 90) {
    std::vector<PageRecord> pages = listing(numbers);
    const RepeatedPages repeated(pages);
    std::vector<uint32_t> markedBy;
    const bool items = PageItemList::usesExtendedForms(list);
    if (items) {
        PageItemList parsed(list, angle);
        parsed.resolve(static_cast<uint32_t>(pages.size()));
        parsed.mark(pages, {}, &markedBy);
    } else {
        markPageList(list.c_str(), static_cast<uint32_t>(pages.size()), angle, pages);
    }
    const RepeatedPages::Settlement settlement = repeated.settle(pages, items ? &markedBy : nullptr);
    Settled result{marks(pages), {}, settlement.conflicts};
    for (const RepeatedPages::Conflict& conflict : settlement.shown)
        result.warnings.push_back(repeatedPageWarning(conflict));
    return result;
}

TEST(RepeatedPages, EveryListingTakesTheLastItemThatNamesAnyOfThem) {
    // Object 4 at pages 1 and 3.
    EXPECT_EQ("90 . 90", settle({4, 6, 4}, "3").marks);
    EXPECT_EQ("180 . 180", settle({4, 6, 4}, "1:90,3:180").marks);
    EXPECT_EQ("90 . 90", settle({4, 6, 4}, "3:180,1:90").marks);
    EXPECT_EQ("90 90 90", settle({4, 6, 4}, "odd:90,even:270,2").marks);
    EXPECT_EQ("90 270 90", settle({4, 6, 4}, "odd:90,even:270").marks);
    EXPECT_EQ("0 0 0 0", settle({4, 4, 4, 4}, "all:0,odd:180,2:0").marks);
    EXPECT_EQ(". 0 .", settle({4, 6, 4}, "2-2:90,r2:0").marks);
}

TEST(RepeatedPages, OnlyListingsAskedForDifferentRotationsAreTold) {
    const Settled same = settle({4, 6, 4}, "all:90");
    EXPECT_EQ(0u, same.conflicts);
    EXPECT_TRUE(same.warnings.empty());
    const Settled differing = settle({4, 6, 4}, "1:90,3:180");
    ASSERT_EQ(1u, differing.warnings.size());
    EXPECT_EQ(
        "pages 1 and 3 are one page object, listed twice in the page tree; it holds one rotation, so each of them "
        "gets the angle of the last item that names any of them",
        differing.warnings[0]);
    const Settled unnamed = settle({7, 7, 7, 7, 7, 7, 7}, "2");
    ASSERT_EQ(1u, unnamed.warnings.size());
    EXPECT_EQ(0u, unnamed.warnings[0].find("pages 1, 2, 3, 4, 5, ... are one page object, listed 7 times"));
    EXPECT_EQ("90 90 90 90 90 90 90", unnamed.marks);
}

TEST(RepeatedPages, ManyRepeatedObjectsAreToldByTheFirstFew) {
    std::vector<int32_t> numbers;
    for (int32_t i = 0; i < 20; ++i) numbers.push_back(100 + i);
    for (int32_t i = 0; i < 20; ++i) numbers.push_back(100 + i);
    const Settled settled = settle(numbers, "1-20");
    EXPECT_EQ(20u, settled.conflicts);
    EXPECT_EQ(RepeatedPages::shownConflicts, settled.warnings.size());
    EXPECT_EQ(0u, settled.warnings[0].find("pages 1 and 21 are one page object"));
    for (const char c : settled.marks) ASSERT_NE('.', c);
}

TEST(RepeatedPages, PagesWithoutANumberAndFilesWithoutRepeatsAreLeftAlone) {
    EXPECT_TRUE(RepeatedPages(listing({4, 5, 6, -1, -1})).none());
    EXPECT_FALSE(RepeatedPages(listing({4, 5, 4})).none());
    EXPECT_EQ(". 90 . .", settle({-1, 5, -1, 6}, "2").marks);
    // Out of number order: descending, runs that interleave, a repeat next to itself.
    EXPECT_TRUE(RepeatedPages(listing({9, 7, 5, 3})).none());
    EXPECT_TRUE(RepeatedPages(listing({10, 20, 30, 11, 21, 31, 12})).none());
    EXPECT_FALSE(RepeatedPages(listing({4, 5, 5})).none());
    EXPECT_FALSE(RepeatedPages(listing({30, 10, 20, 11, 21, 10})).none());
}

// Repeats found in any order are told in the order of their object numbers.
TEST(RepeatedPages, RepeatsOutOfNumberOrderAreToldByNumber) {
    // Object 9 is listed again (page 3) before object 4 is (page 5).
    const Settled settled = settle({9, 4, 9, 7, 4, 2, 9}, "1:90,2:180,3:90,4:270,5:0,6:90");
    EXPECT_EQ(2u, settled.conflicts);
    ASSERT_EQ(2u, settled.warnings.size());
    EXPECT_EQ(0u, settled.warnings[0].find("pages 2 and 5 are one page object, listed twice"));
    EXPECT_EQ(0u, settled.warnings[1].find("pages 1, 3 and 7 are one page object, listed 3 times"));
    EXPECT_EQ("90 0 90 270 0 90 90", settled.marks);
}

}  // namespace
