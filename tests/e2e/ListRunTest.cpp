// Runs over a list of files into an output folder.
#include <filesystem>

#include "E2eSupport.h"

namespace {

using namespace e2e;

const std::string longFolder(150, 'd');
const std::string longName = longFolder + "/" + std::string(150, 'n') + ".pdf";  // one line of 305 characters

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> done;  // the lines whose jobs succeed, in order
    std::string failure = "";       // what the run prints after them; {out} is the output folder and its separator
    std::vector<std::string> notWritten = {};
};
void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class ListRun : public testing::TestWithParam<ListCase> {};

// The folder holds a.pdf, b.pdf, c.pdf, "my file.pdf", sub/b.pdf and the long
// name (all copies of the sample), and bad.pdf, a damaged file.
TEST_P(ListRun, RotatesEveryListedFileUpToAFailure) {
    const ListCase& c = GetParam();
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
    std::string failure = c.failure;
    if (const size_t at = failure.find("{out}"); at != std::string::npos) failure.replace(at, 5, out);
    EXPECT_EQ(expected + failure, run.output);
    EXPECT_EQ(0, run.exitCode);
    for (const std::string& line : c.done) {
        EXPECT_TRUE(qpdfCheckClean(folder / ("out/" + line)));
        EXPECT_TRUE(isRotatedCopy(folder / line, folder / ("out/" + line), "90"));
    }
    for (const std::string& name : c.notWritten) EXPECT_FALSE(exists(folder / ("out/" + name))) << name;
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ListRun,
    testing::Values(
        ListCase{"LineFeeds", "a.pdf\nb.pdf\n", {"a.pdf", "b.pdf"}},
        ListCase{"CarriageReturnLineFeeds", "a.pdf\r\nb.pdf\r\n", {"a.pdf", "b.pdf"}},
        ListCase{"NoFinalLineEnd", "a.pdf\nb.pdf", {"a.pdf", "b.pdf"}},
        ListCase{"EmptyLineEndsTheRun", "a.pdf\n\nb.pdf\n", {"a.pdf"}, "Input file open error: \n", {"b.pdf"}},
        ListCase{"SubfolderMissingInOutput", "a.pdf\nsub/b.pdf\nc.pdf\n", {"a.pdf"},
                 "Rotating file: sub/b.pdf\nOutput file create error: {out}sub/b.pdf\n", {"sub", "c.pdf"}},
        ListCase{"NameWithSpaces", "my file.pdf\r\n", {"my file.pdf"}},
        ListCase{"LongNameIsOneName", longName + "\n", {longName}},
        ListCase{"DamagedThirdFile", "a.pdf\nb.pdf\nbad.pdf\nc.pdf\n", {"a.pdf", "b.pdf"},
                 "Rotating file: bad.pdfPDF file was damaged", {"bad.pdf", "c.pdf"}}),
    caseName);

}  // namespace
