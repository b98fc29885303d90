// The rotation job run on fixtures with parsed options: what it tells its
// reporter and in which order, with and without the repair policy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "job/JobOptions.h"
#include "job/PdfRotate.h"
#include "job/RepairPolicy.h"
#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

namespace fs = std::filesystem;

// Every report as one line, in the order the job gave them.
class RecordingReporter final : public JobReporter {
public:
    void inputOpened(const std::string& name) override {
        events.push_back("input " + fs::path(name).filename().string());
    }
    void outputCreated(const std::string&) override { events.push_back("output"); }
    void selectionChosen(int32_t degrees, const std::string& pages) override {
        events.push_back("selection " + std::to_string(degrees) + " " + pages);
    }
    void itemsChosen(const std::string& summary) override { events.push_back("items " + summary); }
    void uprightChosen(const std::string& pages) override { events.push_back("upright " + pages); }
    void pageTreeProgress() override { events.push_back("dot"); }
    void notice(const std::string& text) override { events.push_back("notice " + text); }

    std::vector<std::string> events;
};

class RotationJob : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("folioturn-job-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    JobOptions optionsFor(const char* fixture, const std::string& pageText, PageSelection selection,
                          bool repair = false) const {
        JobOptions options;
        options.inputName = std::string(FOLIOTURN_TEST_DATA) + "/" + fixture;
        options.outputName = output().string();
        options.pageText = pageText;
        options.selection = selection;
        options.rotation = 90;
        options.repair = repair;
        return options;
    }
    fs::path output() const { return folder / "out.pdf"; }

    // The events of one job, and its failure's message ("" when it succeeded).
    std::string run(const JobOptions& options, std::vector<std::string>& events) {
        RecordingReporter reporter;
        std::string failure;
        try {
            CPdfRotate job(reporter);
            job.run(options);
        } catch (const CPdfException& exception) {
            failure = exception.messageText();
        }
        events = reporter.events;
        return failure;
    }

    fs::path folder;
};

TEST_F(RotationJob, ANamedSelectionIsToldAsItsPageListBeforeTheWalksProgressWithOrWithoutRepair) {
    const std::vector<std::string> expected = {"input nodes.pdf", "output", "selection 90 1-25", "dot", "dot"};
    for (bool repair : {false, true}) {
        std::vector<std::string> events;
        EXPECT_EQ("", run(optionsFor("nodes.pdf", " ", PageSelection::All, repair), events)) << repair;
        EXPECT_EQ(expected, events) << "repair " << repair;
        EXPECT_TRUE(fs::exists(output()));
    }
}

TEST_F(RotationJob, APlainListIsCheckedAgainstTheCountAfterTheWalk) {
    std::vector<std::string> events;
    EXPECT_EQ("Page number 12 greater than 11 pages in file",
              run(optionsFor("rotations.pdf", "12", PageSelection::List), events));
    EXPECT_EQ((std::vector<std::string>{"input rotations.pdf", "output", "selection 90 12"}), events);
    EXPECT_FALSE(fs::exists(output())) << "a failed job leaves no output";
    EXPECT_EQ("", run(optionsFor("rotations.pdf", "2,11", PageSelection::List), events));
    EXPECT_TRUE(fs::exists(output()));
}

TEST_F(RotationJob, ItemsAreSettledAgainstTheCountBeforeTheyAreTold) {
    std::vector<std::string> events;
    EXPECT_EQ("", run(optionsFor("rotations.pdf", "r2-end:180", PageSelection::List), events));
    EXPECT_EQ((std::vector<std::string>{"input rotations.pdf", "output", "items 10-11 at 180"}), events);
}

TEST_F(RotationJob, AListThatCannotBeReadFailsBeforeTheInputIsOpened) {
    std::vector<std::string> events;
    const std::string failure = run(optionsFor("rotations.pdf", "r0", PageSelection::List), events);
    EXPECT_EQ(0u, failure.find("Invalid page list item \"r0\"")) << failure;
    EXPECT_EQ(std::vector<std::string>{}, events);
    EXPECT_FALSE(fs::exists(output()));
}

// damaged-count.pdf declares more pages than its tree holds objects for.
TEST_F(RotationJob, TheRepairPolicyCountsTheLeavesWhereTheDeclaredCountFails) {
    std::vector<std::string> events;
    EXPECT_EQ(message::damaged, run(optionsFor("damaged-count.pdf", " ", PageSelection::All), events));
    EXPECT_EQ((std::vector<std::string>{"input damaged-count.pdf", "output"}), events);
    EXPECT_FALSE(fs::exists(output()));

    EXPECT_EQ("", run(optionsFor("damaged-count.pdf", " ", PageSelection::All, true), events));
    EXPECT_EQ((std::vector<std::string>{
                  "input damaged-count.pdf", "output", "selection 90 1-2",
                  "notice File repaired: the page count was taken from the page tree's 2 pages, not from its /Count"}),
              events);
}

// overcount.pdf declares three pages and holds two: without repair the declared
// count stands.
TEST_F(RotationJob, WithoutRepairTheDeclaredCountStands) {
    std::vector<std::string> events;
    EXPECT_EQ("", run(optionsFor("overcount.pdf", " ", PageSelection::All), events));
    EXPECT_EQ((std::vector<std::string>{"input overcount.pdf", "output", "selection 90 1-3"}), events);
    EXPECT_EQ("", run(optionsFor("overcount.pdf", " ", PageSelection::All, true), events));
    EXPECT_EQ("selection 90 1-2", events.at(2));
}

TEST_F(RotationJob, AMissingInputIsNamedAndNothingIsWritten) {
    JobOptions options = optionsFor("rotations.pdf", "1", PageSelection::List);
    options.inputName = (folder / "missing.pdf").string();
    std::vector<std::string> events;
    EXPECT_EQ("Input file open error: " + options.inputName + "\n", run(options, events));
    EXPECT_EQ(std::vector<std::string>{}, events);
}

// The kind is what the hints and the exit status go by: each failure names its
// own, also where the same message could come from more than one kind of fault.
TEST_F(RotationJob, EachFailureNamesItsKind) {
    const auto kindOf = [](const JobOptions& options) -> std::optional<FailureKind> {
        RecordingReporter reporter;
        try {
            CPdfRotate(reporter).run(options);
        } catch (const CPdfException& failure) {
            return failure.kind();
        }
        return std::nullopt;
    };
    const auto with = [](JobOptions options, auto change) {
        change(options);
        return options;
    };
    const JobOptions plain = optionsFor("rotations.pdf", "1", PageSelection::List);
    const JobOptions encrypted = optionsFor("encrypted.pdf", " ", PageSelection::All);
    const auto incremental = [](JobOptions& options) { options.incremental = true; };
    const struct {
        JobOptions options;
        FailureKind kind;
        const char* what;
    } cases[] = {
        {with(plain, [&](JobOptions& o) { o.inputName = (folder / "missing.pdf").string(); }), FailureKind::Input,
         "a missing input"},
        {with(plain, [&](JobOptions& o) { o.outputName = (folder / "none" / "out.pdf").string(); }),
         FailureKind::Output, "an output in a missing folder"},
        {with(plain, [](JobOptions& o) { o.rotationBeyondRange = "-r3600000000000"; }), FailureKind::CommandLine,
         "a rotation beyond 32 bits"},
        {optionsFor("rotations.pdf", "12", PageSelection::List), FailureKind::Selection, "a page past the end"},
        {optionsFor("rotations.pdf", "r0", PageSelection::List), FailureKind::Selection, "an item that is no page"},
        {optionsFor("damaged-count.pdf", " ", PageSelection::All), FailureKind::Damaged, "a count beyond the file"},
        {optionsFor("damaged-truncated.pdf", " ", PageSelection::All), FailureKind::Damaged, "a truncated file"},
        {encrypted, FailureKind::PasswordNeeded, "no password"},
        {with(encrypted, [](JobOptions& o) { o.password = "wrong"; }), FailureKind::Encrypted, "a wrong password"},
        {with(optionsFor("junk-header.pdf", " ", PageSelection::All), incremental), FailureKind::UpdateRefused,
         "an update after junk"},
        {with(optionsFor("damaged-truncated.pdf", " ", PageSelection::All), incremental), FailureKind::DamagedForUpdate,
         "an update of a damaged file"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, kindOf(c.options)) << c.what;
}

TEST(RepairPolicy, TheLeavesGiveTheCountAndADisagreementIsReported) {
    RepairPolicy repairing(true);
    EXPECT_EQ(4u, repairing.settlePageCount(4, [] { return 4u; }));
    EXPECT_EQ("", repairing.reportLine()) << "a count that agrees needs no repair";
    EXPECT_EQ(3u, repairing.settlePageCount(
                      3, []() -> uint32_t { throw CPdfException(FailureKind::Damaged, message::damaged); }));
    EXPECT_EQ("File repaired: the page count was taken from the page tree's 3 pages, not from its /Count",
              repairing.reportLine());
}

TEST(RepairPolicy, WithoutRepairNothingIsReportedOrRebuilt) {
    RepairPolicy plain(false);
    EXPECT_FALSE(plain.countsPagesFromLeaves());
    plain.settlePageCount(2, [] { return 5u; });
    plain.noteRebuiltCrossReference();
    EXPECT_EQ("", plain.reportLine());
}

}  // namespace
