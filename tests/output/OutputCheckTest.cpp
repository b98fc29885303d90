#include <gtest/gtest.h>

#include "output/OutputCheck.h"

namespace {

PageRecord pageObject(int32_t number) {
    PageRecord page;
    page.objNum = number;
    return page;
}

OutputTable written(int32_t size, int32_t leftOut = -1) {
    OutputTable table(size, true);
    for (int32_t number = 0; number < size; ++number)
        if (number != leftOut) table.add(number) = OutputEntry{100, 0, 1};
    return table;
}

// Objects 1 to 6 written: catalogue 1, root node 2, inner node 4, pages 3, 5 and 6.
struct Rewrite {
    OutputTable records = written(7);
    std::vector<int32_t> nodes = {2, 4};
    std::vector<PageRecord> pages = {pageObject(3), pageObject(-1), pageObject(5), pageObject(6)};
    std::vector<int32_t> unknownEnds;
    uint64_t incompleteCopies = 0;

    std::string fault() const { return faultInRewrite({records, 1, nodes, pages, unknownEnds, incompleteCopies}); }
};

}  // namespace

TEST(OutputCheck, PassesAnOutputThatHoldsEveryPageAndItsPath) { EXPECT_EQ("", Rewrite().fault()); }

// Each way an output can lose what the input holds, named.
TEST(OutputCheck, NamesWhatTheOutputLost) {
    Rewrite copyShort;
    copyShort.incompleteCopies = 1;
    EXPECT_EQ("the input ended before an object was copied whole", copyShort.fault());
    Rewrite guessedEnd;
    guessedEnd.unknownEnds = {9, 12};
    EXPECT_EQ("object 9 has no end that a reader finds", guessedEnd.fault());
    Rewrite noCatalogue;
    noCatalogue.records = written(7, 1);
    EXPECT_EQ("the catalogue, object 1, was not written", noCatalogue.fault());
    Rewrite noNode;
    noNode.records = written(7, 4);
    EXPECT_EQ("page tree node 4 was not written", noNode.fault());
    Rewrite nodeBeyondTable;
    nodeBeyondTable.nodes.push_back(70);
    EXPECT_EQ("page tree node 70 was not written", nodeBeyondTable.fault());
    Rewrite noPage;
    noPage.records = written(7, 5);
    EXPECT_EQ("page 3, object 5, was not written", noPage.fault());
}
