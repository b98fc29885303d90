// The program entry run in process: exit statuses, single jobs and list runs,
// each list file with its own input and output and the run's shared options.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "limits/Messages.h"

namespace {

namespace fs = std::filesystem;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// Runs in a folder of its own, which is the working folder while it runs: list
// lines name files below the working folder.
class Entry : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("folioturn-entry-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder / "sub");
        fs::copy_file(FOLIOTURN_TEST_DATA "/rotations.pdf", folder / "a.pdf");
        fs::copy_file(FOLIOTURN_TEST_DATA "/nodes.pdf", folder / "sub" / "b.pdf");
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    // The exit status; `console` gets standard output.
    int run(std::vector<std::string> arguments, std::string& console) {
        arguments.insert(arguments.begin(), "folioturn");
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        CaptureStdout();
        const int status = runFolioturn(static_cast<int>(arguments.size()), argv.data());
        console = GetCapturedStdout();
        // The vector is the caller's: a run leaves every slot as it was.
        for (size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(arguments[i].data(), argv[i]);
        return status;
    }

    static void writeList(const std::string& text) { std::ofstream("list.txt", std::ios::binary) << text; }
    static std::string afterBanner(const std::string& console) {
        const size_t end = console.find("\r\n\r\n", 2);
        return end == std::string::npos ? console : console.substr(end + 4);
    }

    fs::path previous;
    fs::path folder;
};

TEST_F(Entry, ExitStatusesSayHowTheRunWent) {
    std::string console;
    EXPECT_EQ(0, run({}, console)) << "the usage text";
    EXPECT_EQ(1, run({"-ia*.pdf", "-oout.pdf"}, console));
    EXPECT_EQ("\nError! Wildcards * are not permitted", console.substr(0, 37));
    EXPECT_EQ(2, run({"-ia.pdf"}, console));
    EXPECT_EQ(message::errorParameter, afterBanner(console));
    EXPECT_EQ(2, run({"-ia.pdf", "-oout.pdf", "-p99"}, console));
    EXPECT_EQ(0, run({"-ia.pdf", "-oout.pdf", "-p1", "-r90"}, console));
    EXPECT_EQ("Rotating file: a.pdf to out.pdf, 90 Degrees, Pages: 1\nProcessing\nDone.\n", afterBanner(console));
}

TEST_F(Entry, MisplacedInputOrOutputIsNamed) {
    std::string console;
    EXPECT_EQ(2, run({"-oout.pdf", "-ia.pdf"}, console));
    EXPECT_EQ(message::inputParameterMissing, afterBanner(console));
    EXPECT_EQ(2, run({"-ia.pdf", "-p1", "-oout.pdf"}, console));
    EXPECT_EQ(message::outputParameterMissing, afterBanner(console));
    EXPECT_FALSE(fs::exists("out.pdf"));
}

TEST_F(Entry, EachListedFileGetsItsOwnInputAndOutputAndTheSharedOptions) {
    writeList("a.pdf\r\nsub/b.pdf\n");
    std::string console;
    EXPECT_EQ(0, run({"-ilist.txt", "-fout", "-pfirsthalf", "-r270"}, console));
    const std::string separator(1, fs::path::preferred_separator);
    EXPECT_EQ("Rotating file: a.pdf to out" + separator + "a.pdf, 270 Degrees, Pages: 1-5\nProcessing\nDone.\n" +
                  "Rotating file: sub/b.pdf to out" + separator +
                  "sub/b.pdf, 270 Degrees, Pages: 1-12\nProcessing..\nDone.\n",
              afterBanner(console));
    EXPECT_TRUE(fs::exists("out/a.pdf"));
    EXPECT_TRUE(fs::exists("out/sub/b.pdf"));
}

TEST_F(Entry, AListRunStopsAtAFailureUnlessToldToContinue) {
    writeList("missing.pdf\na.pdf\n");
    std::string console;
    EXPECT_EQ(2, run({"-ilist.txt", "-fout", "-p1"}, console));
    EXPECT_EQ("Input file open error: missing.pdf\n", afterBanner(console));
    EXPECT_FALSE(fs::exists("out/a.pdf"));

    EXPECT_EQ(2, run({"-ilist.txt", "-fout", "-p1", "-continue"}, console));
    EXPECT_EQ("Input file open error: missing.pdf\nRotating file: a.pdf to out" +
                  std::string(1, fs::path::preferred_separator) +
                  "a.pdf, 0 Degrees, Pages: 1\nProcessing\nDone.\nFiles rotated: 1, failed: 1\n",
              afterBanner(console));
    EXPECT_TRUE(fs::exists("out/a.pdf"));
}

TEST_F(Entry, AListWithoutAnOutputFolderIsRefused) {
    writeList("a.pdf\n");
    std::string console;
    EXPECT_EQ(2, run({"-ilist.txt", "-oout.pdf"}, console));
    EXPECT_EQ(message::outputFolderMissing, afterBanner(console));
}

}  // namespace
