#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/PdfException.h"
#include "pages/PageItems.h"

namespace {

std::vector<PageRecord> records(size_t count) {
    std::vector<PageRecord> pages(count);
    for (size_t i = 0; i < count; ++i) pages[i].objNum = int32_t(i + 10);
    return pages;
}

// Each page's angle after marking, "." for a page left unselected.
std::string marked(const std::string& list, uint32_t count, int32_t angle = 0,
                   const std::vector<PageShape>& shapes = {}, size_t recordCount = 0) {
    PageItemList items(list, angle);
    items.resolve(count);
    std::vector<PageRecord> pages = records(recordCount ? recordCount : count);
    items.mark(pages, shapes);
    std::string result;
    for (const PageRecord& page : pages) {
        if (!result.empty()) result.push_back(' ');
        result.append(page.selected ? std::to_string(page.rotation) : std::string("."));
    }
    return result;
}

std::string summary(const std::string& list, uint32_t count, int32_t angle = 0) {
    PageItemList items(list, angle);
    items.resolve(count);
    return items.summary();
}

// The message of the exception that reading or resolving the list throws.
std::string failure(const std::string& list, uint32_t count = 10) {
    try {
        PageItemList items(list, 90);
        items.resolve(count);
    } catch (const CPdfException& error) {
        return error.messageText();
    }
    return "no failure";
}

// Each page's mark after marking `list`: its angle, "auto", or "." when unselected.
std::string uprightMarks(const std::string& list, uint32_t count, bool uprightByDefault) {
    PageItemList items(list, 90, uprightByDefault);
    items.resolve(count);
    std::vector<PageRecord> pages = records(count);
    items.mark(pages, {});
    std::string result;
    for (const PageRecord& page : pages) {
        if (!result.empty()) result.push_back(' ');
        result.append(!page.selected ? std::string(".") : page.upright ? "auto" : std::to_string(page.rotation));
    }
    return result;
}

TEST(PageItems, AutoIsAnAngleOfItsOwn) {
    EXPECT_EQ("auto auto 0 0 .", uprightMarks("1-2:auto,3-4:0", 5, false));
    EXPECT_EQ("90 auto auto auto", uprightMarks("1:90,2-end", 4, true)) << "-rauto: items without an angle";
    EXPECT_EQ("auto 180 auto", uprightMarks("odd,2:180", 3, true));
    EXPECT_EQ("90 auto", uprightMarks("1-2:auto,1:90", 2, false)) << "a later item wins over auto too";
    EXPECT_EQ("1-2 at auto, 3-4 at 0", summary("1-2:auto,3-4:0", 4));
    EXPECT_TRUE(PageItemList("1-2:auto,3:0", 0).asksUpright());
    EXPECT_FALSE(PageItemList("1-2:90", 0).asksUpright());
    EXPECT_TRUE(PageItemList("1-2:90,3", 0, true).asksUpright());
    EXPECT_FALSE(PageItemList("1-2:90", 0, true).asksUpright());
    EXPECT_EQ("Invalid page list item \"1:Auto\": the angle is not a number\n", failure("1:Auto"));
    EXPECT_EQ("Invalid page list item \"1:auto1\": the angle is not a number\n", failure("1:auto1"));
}

TEST(PageItems, ClassicListsKeepTheirOwnRules) {
    // Numbers and ranges, and every text the classic rules refuse, stay with them.
    for (const char* classic : {"1,3,5-7", "1-10", "1,x", "1x", "a1", "1 ,3", "x", "rx", "r", "1-2-3", "ends", "-1"})
        EXPECT_FALSE(PageItemList::usesExtendedForms(classic)) << classic;
    for (const char* extended : {"end", "5-end", "r1", "r3-end", "1-r2", "1-3:90", "1:", "odd,even", "landscape",
                                 "portrait:90", "all:0", "1,firsthalf", "r0", "x,lasthalf", "end-1"})
        EXPECT_TRUE(PageItemList::usesExtendedForms(extended)) << extended;
}

TEST(PageItems, PagesCountFromTheEnd) {
    EXPECT_EQ(". . . . 90 90 90 90 90 90", marked("5-end", 10, 90));
    EXPECT_EQ("90 . . . . . . . . 90", marked("1,end", 10, 90));
    EXPECT_EQ(". . . . . . . 90 90 90", marked("r3-end", 10, 90));
    EXPECT_EQ(". . . . . . . . 90 .", marked("r2", 10, 90));
    EXPECT_EQ(". 90 90 90 90 90 90 90 90 .", marked("2-r2", 10, 90));
    EXPECT_EQ(". . . . . . . . 90 90", marked("r2-r1", 10, 90));
    EXPECT_EQ("90", marked("end-r1", 1, 90));
}

TEST(PageItems, EachItemTakesItsOwnAngleOrTheJobs) {
    EXPECT_EQ("90 90 90 180 180 180", marked("1-3:90,4-end:180", 6));
    EXPECT_EQ("90 270 90 270 90", marked("odd:90,even:270", 5));
    EXPECT_EQ("180 180 0 0 0", marked("firsthalf:180,lasthalf:0", 5));
    EXPECT_EQ("-90 45 45", marked("1:-90,2-3", 3, 45));
    EXPECT_EQ("90 90", marked("all:+90", 2));
}

TEST(PageItems, LaterItemsWin) {
    EXPECT_EQ("90 90 90 90 180 90", marked("1-end:90,5:180", 6));
    EXPECT_EQ("270 180 270 . 270 .", marked("odd:90,1-3:180,odd:270", 6));
    EXPECT_EQ("0 0 0 0", marked("even:90,all:0", 4));
    EXPECT_EQ("270 90 270 90", marked("all:0,even:90,odd:180,odd:270", 4));
    EXPECT_EQ(". 90 90 90 .", marked("2-4:180,3:0,2-4:90", 5));
}

TEST(PageItems, ShapesSelectLandscapeAndPortraitPages) {
    const std::vector<PageShape> shapes = {PageShape::Landscape, PageShape::Portrait, PageShape::Unknown,
                                           PageShape::Landscape};
    EXPECT_EQ("90 . . 90", marked("landscape", 4, 90, shapes));
    EXPECT_EQ(". 90 90 .", marked("portrait:90", 4, 0, shapes));  // unknown shapes count as portrait
    EXPECT_EQ("270 0 0 270", marked("landscape:270,portrait:0", 4, 0, shapes));
    EXPECT_EQ("270 180 0 270", marked("landscape:270,portrait:0,2:180", 4, 0, shapes));
}

// A declared count beyond the pages found marks only the pages there are; one
// below them never reaches the rest.
TEST(PageItems, MarksOnlyPagesThatBothTheCountAndTheTreeHold) {
    EXPECT_EQ("90 90 90", marked("2-end:90,1:90,odd:90,lasthalf:90", 8, 0, {}, 3));
    EXPECT_EQ("90 90 . .", marked("1-end:90,even:90", 2, 0, {}, 4));
    EXPECT_EQ("", marked("all:90,odd", 0));
}

TEST(PageItems, APageGivenInsideKidsCannotBeMarked) {
    PageItemList items("r1:90", 0);
    items.resolve(2);
    std::vector<PageRecord> pages = records(2);
    pages[1].objNum = -1;
    EXPECT_THROW(items.mark(pages, {}), CPdfException);
}

TEST(PageItems, TheSummaryShowsResolvedItemsWithTheirAngles) {
    EXPECT_EQ("1-3 at 90, 4-12 at 180", summary("1-3:90,4-end:180", 12));
    EXPECT_EQ("5-12 at 90", summary("5-end", 12, 90));
    EXPECT_EQ("12 at 0, 10-12 at 270", summary("r1,r3-end:270", 12));
    EXPECT_EQ("odd at 90, even at 270", summary("odd:90,even:270", 20000));
    EXPECT_EQ("firsthalf at 180, lasthalf at 0, landscape at 90, portrait at 0, all at -90",
              summary("firsthalf:180,lasthalf:0,landscape:90,portrait,all:-90", 7));
}

TEST(PageItems, FailuresNameTheItem) {
    EXPECT_EQ("\nInvalid page list item \"5-12:90\": page 12 is past the end, the file has 10 pages\n",
              failure("5-12:90"));
    EXPECT_EQ("\nInvalid page list item \"11\": page 11 is past the end, the file has 10 pages\n", failure("end,11"));
    EXPECT_EQ("\nInvalid page list item \"r2-end\": r2 is before the first page, the file has 1 page\n",
              failure("r2-end", 1));
    EXPECT_EQ("\nInvalid page list item \"end\": the file has no pages\n", failure("end", 0));
    EXPECT_EQ("\nInvalid page list item \"end-5\": the range runs backwards, from page 10 to page 5\n",
              failure("1,end-5"));
    EXPECT_EQ("Invalid page list item \"r0-end\": r1 is the last page, there is no r0\n", failure("r0-end"));
    EXPECT_EQ("Invalid page list item \"0-end\": pages count from 1\n", failure("0-end"));
    EXPECT_EQ("Invalid page list item \"1-3:ninety\": the angle is not a number\n", failure("1-3:ninety"));
    for (const char* angle : {"1:", "1:90:180", "odd: 90", "end:9x", "end:-"})
        EXPECT_EQ("Invalid page list item \"" + std::string(angle) + "\": the angle is not a number\n", failure(angle));
    EXPECT_EQ("Invalid page list \"1,,end\": item 2 is empty\n", failure("1,,end"));
    EXPECT_EQ("Invalid page list \"end,\": item 2 is empty\n", failure("end,"));
    EXPECT_EQ("Invalid page list \",odd\": item 1 is empty\n", failure(",odd"));
    for (const char* item : {"x", "ODD", "1-2-end", "5-", "-end", "end-", "odd-5", "1 ", "+1", "r-1", "r1x"})
        EXPECT_EQ("Invalid page list item \"" + std::string(item) + "\": not a page, a range or a named selection\n",
                  failure(std::string(item) + ",end"))
            << item;
}

// Numbers past 32 bits are quoted as typed; angles past 32 bits are refused.
TEST(PageItems, NumbersAreQuotedAsTypedAndAnglesKeepWithinThirtyTwoBits) {
    EXPECT_EQ("\nInvalid page list item \"r4294967297\": r4294967297 is before the first page, the file has 10 pages\n",
              failure("r4294967297"));
    EXPECT_EQ(
        "\nInvalid page list item \"1-99999999999999999999:90\": page 99999999999999999999 is past the end, the "
        "file has 10 pages\n",
        failure("1-99999999999999999999:90"));
    EXPECT_EQ("\nInvalid page list item \"r0011-end\": r11 is before the first page, the file has 10 pages\n",
              failure("r0011-end"));
    for (const char* item : {"1:3600000000000", "1:2147483648", "odd:-2147483649", "end:+99999999999999999999999"})
        EXPECT_EQ("Invalid page list item \"" + std::string(item) +
                      "\": the angle is beyond the range of -2147483648 to 2147483647 degrees\n",
                  failure(item));
    EXPECT_EQ("2147483647 -2147483648 90", marked("1:2147483647,2:-2147483648,3:+0090", 3));
}

TEST(PageItems, AnglesOffQuarterTurnsAreTheItemsOwn) {
    const std::vector<PageItemList::ItemAngle> angles =
        PageItemList("1:45,2,odd:90,3-4:-1,end:0", 45).anglesOffQuarterTurns();
    ASSERT_EQ(2u, angles.size());
    EXPECT_EQ("1:45", angles[0].item);
    EXPECT_EQ(45, angles[0].angle);
    EXPECT_EQ("3-4:-1", angles[1].item);
    EXPECT_EQ(-1, angles[1].angle);
}

// Each page learns which item marked it, counted from 1: the last that names it.
TEST(PageItems, ExclusionsTakePagesOutOfTheItemsBeforeThem) {
    EXPECT_EQ("90 90 90 90 . . . 90 90 90", marked("1-end,~5-7", 10, 90));
    EXPECT_EQ("90 90 90 90 90 90 90 90 90 .", marked("all,~end", 10, 90));
    EXPECT_EQ(". 0 . 0 . 0", marked("all:0,~odd", 6));
    EXPECT_EQ("180 180 180 0 . 0", marked("all:0,~odd,1-3:180", 6)) << "a later item chooses again";
    EXPECT_EQ(". . . . . .", marked("odd:90,~all", 6));
    EXPECT_EQ(". . 90 90 90 .", marked("1-5:90,~firsthalf,~lasthalf,3-5:90", 6));
    EXPECT_EQ("90 90 . 90", marked("1-4,~3,~3", 4, 90));
    EXPECT_EQ("90 90 90 90", marked("1-4,~7-9,~r9,~r12-r9", 4, 90)) << "pages beyond the file are none to take out";
    EXPECT_EQ("90 90 . .", marked("1-4,~3-9", 4, 90));
    EXPECT_EQ(". . 90 90", marked("1-4,~r9-2", 4, 90));
    const std::vector<PageShape> shapes = {PageShape::Landscape, PageShape::Portrait, PageShape::Landscape};
    EXPECT_EQ(". 90 .", marked("all,~landscape", 3, 90, shapes));
    EXPECT_EQ("90 . 90", marked("all,~portrait", 3, 90, shapes));
    EXPECT_EQ(". . 90", marked("landscape,~1", 3, 90, shapes));
}

TEST(PageItems, ExclusionsShowAsTypedAndRefuseAnglesAndALeadingPlace) {
    EXPECT_EQ("1-10 at 90, ~5-7, ~odd, ~10, ~8-10, ~12-20", summary("1-end,~5-7,~odd,~end,~8-12,~12-20", 10, 90));
    EXPECT_EQ("Invalid page list item \"~5-3\": the range runs backwards, from page 5 to page 3\n",
              failure("all,~5-3").substr(1));
    EXPECT_EQ("Invalid page list item \"~3:90\": an exclusion takes no angle\n", failure("1-end,~3:90"));
    EXPECT_EQ(
        "Invalid page list item \"~3\": an exclusion takes pages out of the items before it, and none comes "
        "before\n",
        failure("~3,1-end"));
    EXPECT_EQ("Invalid page list item \"~\": not a page, a range or a named selection\n", failure("all,~"));
    EXPECT_EQ("Invalid page list item \"~~3\": not a page, a range or a named selection\n", failure("all,~~3"));
    EXPECT_TRUE(PageItemList::usesExtendedForms("1-5,~3"));
}

TEST(PageItems, MarkingTellsWhichItemMarkedEachPage) {
    PageItemList items("odd:90,2-3:180,landscape:0,end:270", 0);
    items.resolve(6);
    std::vector<PageRecord> pages = records(6);
    std::vector<uint32_t> markedBy;
    const std::vector<PageShape> shapes = {PageShape::Portrait,  PageShape::Portrait, PageShape::Portrait,
                                           PageShape::Landscape, PageShape::Portrait, PageShape::Portrait};
    items.mark(pages, shapes, &markedBy);
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 2, 3, 1, 4}), markedBy);
}

// Marking takes the items from the last to the first and skips taken pages; it
// must agree with the plain reading, each item in turn overwriting the pages it
// names, on lists made at random from every form.
TEST(PageItems, MarkingAgreesWithTakingEachItemInTurn) {
    static const char* const parts[] = {"1",   "2",    "3",     "7",         "end",      "r1",        "r2",       "r5",
                                        "odd", "even", "all",   "firsthalf", "lasthalf", "landscape", "portrait", "-",
                                        ",",   ":90",  ":-180", ":0",        ",~",       ",~"};
    std::mt19937 random(28);
    int compared = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string list;
        for (int i = 0, length = 1 + int(random() % 10); i < length; ++i) list += parts[random() % std::size(parts)];
        const uint32_t count = random() % 10;
        std::vector<PageShape> shapes;
        for (uint32_t i = 0; i < count; ++i) shapes.push_back(PageShape(random() % 3));
        std::vector<PageRecord> pages = records(count), oneByOne = records(count);
        try {
            PageItemList items(list, 45);
            items.resolve(count);
            items.mark(pages, shapes);
        } catch (const CPdfException&) {
            continue;  // lists that do not read, or name pages beyond the file
        }
        for (size_t start = 0; start <= list.size();) {
            const size_t end = std::min(list.find(',', start), list.size());
            // An exclusion's pages are those that "all" and it leave unmarked; they
            // become as never marked.
            const bool excludes = list[start] == '~';
            PageItemList item((excludes ? "all," : "") + list.substr(start, end - start), 45);
            item.resolve(count);
            std::vector<PageRecord> marked = records(count), unmarked = records(count);
            item.mark(marked, shapes);
            for (size_t i = 0; i < count; ++i) {
                if (excludes && !marked[i].selected) oneByOne[i] = unmarked[i];
                if (!excludes && marked[i].selected) oneByOne[i] = marked[i];
            }
            start = end + 1;
        }
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(oneByOne[i].selected, pages[i].selected) << list << " page " << i + 1;
            ASSERT_EQ(oneByOne[i].rotation, pages[i].rotation) << list << " page " << i + 1;
        }
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

// Many overlapping items over many pages: each page is marked once, by the last
// item that names it, however many items name it.
TEST(PageItems, ManyOverlappingItemsOverAMillionPages) {
    constexpr uint32_t count = 1000000;
    std::string list = "odd:90,even:270";
    for (int i = 0; i < 5000; ++i) list += ",1-end:" + std::to_string(i % 4 * 90) + ",odd:0";
    list += ",r10-end:180";
    PageItemList items(list, 0);
    items.resolve(count);
    std::vector<PageRecord> pages = records(count);
    items.mark(pages, {});
    EXPECT_EQ(0, pages[0].rotation);    // odd:0 comes last among those that name it
    EXPECT_EQ(270, pages[1].rotation);  // the last 1-end is 4999 % 4 * 90
    EXPECT_EQ(180, pages[count - 1].rotation);
    EXPECT_EQ(180, pages[count - 10].rotation);
    EXPECT_EQ(270, pages[count - 11].rotation);
    for (const PageRecord& page : pages) ASSERT_EQ(1, page.selected);
}

}  // namespace
