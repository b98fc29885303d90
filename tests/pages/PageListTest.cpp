#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "limits/Messages.h"
#include "model/PdfException.h"
#include "pages/PageList.h"

namespace {

std::vector<PageRecord> records(size_t count) {
    std::vector<PageRecord> pages(count);
    for (size_t i = 0; i < count; ++i) pages[i].objNum = int32_t(i + 10);
    return pages;
}

// Each page's angle after marking, "." for a page left unselected; or the message.
std::string marked(const std::string& list, uint32_t count, size_t recordCount, std::vector<PageRecord> pages = {}) {
    if (pages.empty()) pages = records(recordCount);
    try {
        markPageList(list.c_str(), count, 90, pages);
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    std::string result;
    for (const PageRecord& page : pages) {
        if (!result.empty()) result.push_back(' ');
        result.append(page.selected ? std::to_string(page.rotation) : std::string("."));
    }
    return result;
}
std::string marked(const std::string& list, uint32_t count = 6) { return marked(list, count, count); }

TEST(PageList, MarksNumbersAndRanges) {
    EXPECT_EQ("90 . 90 . 90 90", marked("1,3,5-6"));
    EXPECT_EQ("90 90 90 . . .", marked("3,3,1-3"));
    EXPECT_EQ(". 90 90 90 90 .", marked("4-5,2-4,3-3"));
    EXPECT_EQ("90 . 90 . . .", marked("1 ,3"));  // the first two bytes meet only the number's reading
    EXPECT_EQ("90 . . . . .", marked("+1"));
    // The count allows more pages than the tree holds: those have no record.
    EXPECT_EQ(". 90 90", marked("2-6,5", 6, 3));
}

// Messages quote the numbers as typed, however many digits they have; only
// leading zeros are left out, as the value has none.
TEST(PageList, MessagesQuoteTheNumbersAsTyped) {
    EXPECT_EQ("Page number 2147483648 greater than 6 pages in file", marked("2147483648"));
    EXPECT_EQ("Page number 99999999999999999999999 greater than 6 pages in file", marked("1,99999999999999999999999"));
    EXPECT_EQ("Page number 7 greater than 6 pages in file", marked("0007"));
    EXPECT_EQ("Wrong page ranges, 4294967297 greater than 6 pages in file", marked("1-4294967297"));
    EXPECT_EQ("Wrong page ranges, start page 4294967297 > end page 3", marked("4294967297-3"));
    EXPECT_EQ("Wrong page ranges, start page 5 > end page 3", marked("005-03"));
    EXPECT_EQ(message::invalidPageNumberZero, marked("000"));
    EXPECT_EQ(message::invalidPageNumberZero, marked("a1"));
    EXPECT_EQ(message::invalidParameter, marked("1,2,"));
    EXPECT_EQ(message::invalidParameter, marked("1-2-3"));
    EXPECT_EQ(message::invalidParameter, marked("1, 3"));
}

// A page given directly inside Kids cannot be marked: the list fails where it
// names one, and a failure earlier in the list still comes first.
TEST(PageList, APageGivenInsideKidsFailsWhereTheListNamesIt) {
    std::vector<PageRecord> pages = records(6);
    pages[3].objNum = -1;
    EXPECT_EQ(message::damaged, marked("1,3-5", 6, 6, pages));
    EXPECT_EQ("90 90 90 . 90 90", marked("1-3,5-6", 6, 6, pages));
    EXPECT_EQ("Page number 9 greater than 6 pages in file", marked("9,4", 6, 6, pages));
    EXPECT_EQ(message::damaged, marked("4,9", 6, 6, pages));
}

// The sweep agrees with marking each range in turn, on lists made at random.
TEST(PageList, MarkingAgreesWithTakingEachRangeInTurn) {
    std::mt19937 random(38);
    for (int round = 0; round < 5000; ++round) {
        const uint32_t count = 1 + random() % 12;
        const size_t recordCount = random() % (count + 2);
        std::string list;
        std::vector<bool> expected(recordCount, false);
        for (int i = 0, items = 1 + int(random() % 6); i < items; ++i) {
            const uint32_t first = 1 + random() % count, last = first + random() % (count - first + 1);
            if (i > 0) list.push_back(',');
            list.append(std::to_string(first));
            if (first != last) list.append(1, '-').append(std::to_string(last));
            for (uint32_t page = first; page <= last && page <= recordCount; ++page) expected[page - 1] = true;
        }
        std::string wanted;
        for (size_t i = 0; i < recordCount; ++i) {
            if (i > 0) wanted.push_back(' ');
            wanted.append(expected[i] ? "90" : ".");
        }
        ASSERT_EQ(wanted, marked(list, count, recordCount)) << list;
    }
}

// Thousands of ranges over a million pages: marking costs the ranges plus the pages.
TEST(PageList, ManyCopiesOfOneRangeOverAMillionPages) {
    constexpr uint32_t count = 1000000;
    std::string list = "1-1000000";
    for (int i = 0; i < 12000; ++i) list += ",1-1000000";
    std::vector<PageRecord> pages = records(count);
    markPageList(list.c_str(), count, 270, pages);
    for (const PageRecord& page : pages) ASSERT_TRUE(page.selected && page.rotation == 270);
}

}  // namespace
