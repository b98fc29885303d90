// The hints that follow a failure, and the pace of the progress line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ConsoleReporter.h"
#include "app/Hints.h"

namespace {

std::string hintFor(const std::string& failure, bool repairGiven = false) {
    return hintAfterFailure(failure, repairGiven);
}

const std::string repairHint = "the file is damaged; -repair reads damaged files as other PDF readers recover them";

TEST(Hints, DamagedFilesNameRepairUnlessItWasGiven) {
    for (const char* failure : {"PDF file was damaged", "PDF file was damaged\n", "Couldn't parse an xref table",
                                "Couldn't parse an xref stream", "Couldn't parse an xref", "Corrupted PDF file",
                                "W item of xref Stream is wrong length", "Missing 'endstream'"})
        EXPECT_EQ(repairHint, hintFor(failure)) << failure;
    EXPECT_EQ("", hintFor("PDF file was damaged", true));
}

TEST(Hints, AnIncrementalUpdateOfADamagedFileNamesTheFullRewrite) {
    const std::string hint = hintFor(
        "\nCannot append an incremental update: the file's cross-reference is damaged (Couldn't parse an xref)\n",
        true);
    EXPECT_NE(std::string::npos, hint.find("without -incremental, -repair")) << hint;
}

TEST(Hints, NoneWhereNoOptionHelps) {
    for (const char* failure : {"\nPDF file is encrypted", "Input file open error: a.pdf\n", "Invalid page number 0",
                                "Error parameter", "Stream filter not supported", "Unexpected exception\n", ""})
        EXPECT_EQ("", hintFor(failure)) << failure;
}

TEST(ProgressPace, NothingInTheFirstSecondThenFiveTimesASecondAtMost) {
    using namespace std::chrono_literals;
    const ProgressPace::Clock::time_point start{};
    ProgressPace pace(start);
    EXPECT_FALSE(pace.due(start));
    EXPECT_FALSE(pace.due(start + 999ms));
    EXPECT_TRUE(pace.due(start + 1s));
    EXPECT_FALSE(pace.due(start + 1s + 199ms));
    EXPECT_TRUE(pace.due(start + 1s + 200ms));
    EXPECT_TRUE(pace.due(start + 5s)) << "a long object between reports";
    EXPECT_FALSE(pace.due(start + 5s + 1ms));
}

}  // namespace
