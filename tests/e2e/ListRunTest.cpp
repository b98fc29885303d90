// Runs over a list of files into an output folder.
#include <filesystem>

#include "E2eSupport.h"

namespace {

using namespace e2e;

const std::string longFolder(150, 'd');
const std::string longName = longFolder + "/" + std::string(150, 'n') + ".pdf";  // one line of 305 characters

// The longest path of the program's system: PATH_MAX on Linux, that of the "\\?\" form on Windows.
std::string longestPath() { return testingWindowsBuild() ? "32767" : "4096"; }

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> done;  // the lines whose jobs succeed, in order
    std::string failure = "";       // what the run prints after them
    std::vector<std::string> notWritten = {};
    const char* notOnWindows = nullptr;  // why the case does not hold for the Windows build
};
void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class ListRun : public testing::TestWithParam<ListCase> {};

// The folder holds a.pdf, b.pdf, c.pdf, "my file.pdf", sub/b.pdf and the long
// name (all copies of the sample), and bad.pdf, a damaged file.
TEST_P(ListRun, RotatesEveryListedFileUpToAFailure) {
    const ListCase& c = GetParam();
    if (c.notOnWindows && testingWindowsBuild()) GTEST_SKIP() << c.notOnWindows;
    TemporaryFolder folder;
    const std::string sample = readFile(example("sample.pdf"));
    std::filesystem::create_directories(folder / "sub");
    std::filesystem::create_directories(folder / longFolder);
    std::filesystem::create_directories(folder / ("out/" + longFolder));
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "my file.pdf", "sub/b.pdf"}) writeFile(folder / name, sample);
    writeFile(folder / longName, sample);
    writeFile(folder / "bad.pdf", readFile(fixture("damaged-truncated.pdf")));
    writeFile(folder / "list.txt", c.list);

    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
    const std::string out = "out" + listSeparator();
    std::string expected = banner;
    for (const std::string& line : c.done) expected += jobDone(line, out + line, 90, "1");
    EXPECT_EQ(expected + c.failure, run.output);
    EXPECT_EQ(c.failure.empty() ? 0 : 2, run.exitCode);
    for (const std::string& line : c.done) {
        EXPECT_TRUE(qpdfCheckClean(folder / ("out/" + line)));
        EXPECT_TRUE(isRotatedCopy(folder / line, folder / ("out/" + line), "90"));
    }
    for (const std::string& name : c.notWritten) EXPECT_FALSE(exists(folder / ("out/" + name))) << name;
}

TEST(ListRun, EmptyFolderIsRefusedLikeAMissingOne) {
    TemporaryFolder folder;
    writeFile(folder / "list.txt", "a.pdf\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-f", "-p1"}, folder.path());
    EXPECT_EQ(banner + "please specify -f for output folder, e.g. -fc:\\test\n", run.output);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{"list.txt"}, folder.entries());
}

// Reading a folder gives no lines on Linux: it must not pass for an empty list.
TEST(ListRun, AFolderAsTheListIsRefused) {
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "list.txt");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1"}, folder.path());
    EXPECT_EQ(banner + "Unable to open file list: 'list.txt'\r\nit is a folder, not a file\n", run.output);
    EXPECT_EQ(std::vector<std::string>{}, TemporaryFolder::entriesOf(folder / "out"));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ListRun,
    testing::Values(
        ListCase{"LineFeeds", "a.pdf\nb.pdf\n", {"a.pdf", "b.pdf"}},
        ListCase{"CarriageReturnLineFeeds", "a.pdf\r\nb.pdf\r\n", {"a.pdf", "b.pdf"}},
        ListCase{"NoFinalLineEnd", "a.pdf\nb.pdf", {"a.pdf", "b.pdf"}},
        ListCase{"EmptyLineEndsTheRun", "a.pdf\n\nb.pdf\n", {"a.pdf"}, "Input file open error: \n", {"b.pdf"}},
        ListCase{"SubfolderMadeInOutput", "a.pdf\nsub/b.pdf\nc.pdf\n", {"a.pdf", "sub/b.pdf", "c.pdf"}},
        ListCase{"NameWithSpaces", "my file.pdf\r\n", {"my file.pdf"}},
        ListCase{"LongNameIsOneName", longName + "\n", {longName}},
        ListCase{"CarriageReturnsOnly", "a.pdf\rb.pdf\r", {"a.pdf", "b.pdf"}},
        ListCase{"ByteOrderMarkDropped",
                 "\xEF\xBB\xBF"
                 "a.pdf\r\nb.pdf\r\n",
                 {"a.pdf", "b.pdf"}},
        ListCase{"ParentFolderRefused",
                 "a.pdf\nsub/../../b.pdf\nc.pdf\n",
                 {"a.pdf"},
                 "List line refused, it must name a file inside the current folder, without \"..\": sub/../../b.pdf\n",
                 {"b.pdf", "c.pdf"}},
        ListCase{"AbsolutePathRefused",
                 "/etc/hosts.pdf\na.pdf\n",
                 {},
                 "List line refused, it must name a file inside the current folder, without \"..\": /etc/hosts.pdf\n",
                 {"a.pdf"}},
        ListCase{"LineLongerThanAPathRefused",
                 "a.pdf\n" + std::string(100000, 'x') + "\nb.pdf\n",
                 {"a.pdf"},
                 "List line refused, longer than the longest path (" + longestPath() + " characters)\n",
                 {"b.pdf"}},
        ListCase{"DamagedThirdFile",
                 "a.pdf\nb.pdf\nbad.pdf\nc.pdf\n",
                 {"a.pdf", "b.pdf"},
                 "Rotating file: bad.pdfPDF file was damaged",
                 {"bad.pdf", "c.pdf"}}),
    caseName);

// Windows lines: "\" separates folders as "/" does, and a line that is rooted or
// names a drive leads out of the folder as an absolute path does.
TEST(ListRun, WindowsSeparatorsAndDrivesInLines) {
    if (!testingWindowsBuild()) GTEST_SKIP() << "\\ and drives have their Windows meaning only in the Windows build";
    const std::string refused = "List line refused, it must name a file inside the current folder, without \"..\": ";
    for (const std::string line : {"sub\\..\\..\\a.pdf", "\\a.pdf", "C:\\a.pdf", "c:a.pdf"}) {
        TemporaryFolder folder;
        writeFile(folder / "a.pdf", readFile(example("sample.pdf")));
        writeFile(folder / "list.txt", line + "\r\na.pdf\r\n");
        const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
        EXPECT_EQ(banner + refused + line + "\n", run.output);
        EXPECT_EQ(2, run.exitCode);
        EXPECT_EQ(std::vector<std::string>{}, TemporaryFolder::entriesOf(folder / "out")) << line;
    }
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "sub");
    writeFile(folder / "sub/b.pdf", readFile(example("sample.pdf")));
    writeFile(folder / "list.txt", "sub\\b.pdf\r\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(banner + jobDone("sub\\b.pdf", "out\\sub\\b.pdf", 90, "1"), run.output);
    EXPECT_TRUE(isRotatedCopy(folder / "sub/b.pdf", folder / "out/sub/b.pdf", "90"));
}

}  // namespace
