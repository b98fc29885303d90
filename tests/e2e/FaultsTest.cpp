// Output faults and rewriting a file in place.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "E2eSupport.h"

namespace {

using namespace e2e;

const std::string sample = example("sample.pdf");

// A full device of the test's own where the test may make one: a failed job must
// not remove it, and if it ever did, the machine's /dev/full stays.
std::string fullDevice(const TemporaryFolder& folder) {
    const std::string own = folder / "full";
    return ::mknod(own.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 ? own : "/dev/full";
}

TEST(E2eFaults, WriteErrorIsReportedAndTheDeviceStays) {
    TemporaryFolder folder;
    const std::string device = fullDevice(folder);
    const ProcessResult run = runFolioturn({"-i" + sample, "-o" + device, "-p1"});
    EXPECT_EQ(banner + jobHead(sample, device, 0, "1") + "\nOutput file write error: " + device + "\ncannot write " +
                  device + ": No space left on device\n",
              run.output);
    struct stat status;
    ASSERT_EQ(0, ::stat(device.c_str(), &status));
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST(E2eFaults, OutputFolderMissing) {
    TemporaryFolder folder;
    const std::string output = folder / "missing/out.pdf";
    const ProcessResult run = runFolioturn({"-i" + sample, "-o" + output});
    EXPECT_EQ(banner + "Rotating file: " + sample + "\nOutput file create error: " + output +
                  "\ncannot create a temporary file in " + folder.path() + "/missing: No such file or directory\n",
              run.output);
    EXPECT_EQ(2, run.exitCode);
}

// A classic table writes offsets in ten digits: an input of 10 GB or more is
// refused before anything is read, one byte less is read (this one holds no
// table). Both files are sparse and cost no disk.
TEST(E2eFaults, FileOf10GBIsRefusedAndOneByteLessIsRead) {
    TemporaryFolder folder;
    const std::string big = folder / "big.pdf";
    writeFile(big, "%PDF-1.4\n");
    ASSERT_EQ(0, ::truncate(big.c_str(), off_t{10'000'000'000}));
    const ProcessResult refused = runFolioturn({"-i" + big, "-o" + (folder / "out.pdf")});
    EXPECT_EQ(banner + "Rotating file: " + big + "\nPDF file is too large (10 GB or more)", refused.output);
    EXPECT_EQ(std::vector<std::string>{"big.pdf"}, folder.entries());
    ASSERT_EQ(0, ::truncate(big.c_str(), off_t{9'999'999'999}));
    const ProcessResult read = runFolioturn({"-i" + big, "-o" + (folder / "out.pdf")});
    EXPECT_EQ(banner + "Rotating file: " + big + "PDF file was damaged", read.output);
    EXPECT_EQ(std::vector<std::string>{"big.pdf"}, folder.entries());
}

// The output names the input, directly or through a link. The folder holds a.pdf,
// a copy of the sample with mode 0640, and link.pdf, a symbolic link to it.
class InPlace : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        writeFile(folder / "a.pdf", readFile(sample));
        ASSERT_EQ(0, ::chmod((folder / "a.pdf").c_str(), 0640));
        ASSERT_EQ(0, ::symlink("a.pdf", (folder / "link.pdf").c_str()));
    }
    ProcessResult rotatePageTwo() {
        return runFolioturn({"-ia.pdf", std::string("-o") + GetParam(), "-p2", "-r180"}, folder.path());
    }
    TemporaryFolder folder;
};

TEST_P(InPlace, RotatesTheFileAndLeavesTheLink) {
    const ProcessResult run = rotatePageTwo();
    EXPECT_EQ(banner + jobDone("a.pdf", GetParam(), 180, "2"), run.output);
    EXPECT_TRUE(qpdfCheckClean(folder / "a.pdf"));
    EXPECT_TRUE(isRotatedCopy(sample, folder / "a.pdf", ". 180"));
    struct stat status;
    ASSERT_EQ(0, ::lstat((folder / "link.pdf").c_str(), &status));
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ((std::vector<std::string>{"a.pdf", "link.pdf"}), folder.entries());
}

TEST_P(InPlace, KeepsThePermissions) {
    if (testingWindowsBuild())
        GTEST_SKIP() << "POSIX permission bits are not a Windows notion: a Windows program under wine gets the "
                        "mode wine gives new files, whatever the replaced file had";
    ASSERT_NE(std::string::npos, rotatePageTwo().output.find("Done."));
    struct stat status;
    ASSERT_EQ(0, ::lstat((folder / "a.pdf").c_str(), &status));
    EXPECT_EQ(0640u, status.st_mode & 07777);
}

INSTANTIATE_TEST_SUITE_P(E2e, InPlace, testing::Values("a.pdf", "link.pdf"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "SameName" : "ThroughLink");
                         });

}  // namespace
