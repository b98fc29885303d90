// What a script relies on: the exit status of every kind of run.
#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

// A file whose table lists two objects in use beyond its end: the job writes the
// output without them and says so on a "Warning:" line.
std::string fileWithUnreadableObjects() {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>");
    pdf.entry(4, 1, 900000, 0);
    pdf.startxref(pdf.table("/Size 5 /Root 1 0 R"));
    return pdf.bytes();
}

// A folder with good.pdf (the sample), partial.pdf (objects left out) and bad.pdf (damaged).
class ListStatus : public testing::Test {
protected:
    ListStatus() {
        writeFile(folder / "good.pdf", readFile(example("sample.pdf")));
        writeFile(folder / "partial.pdf", fileWithUnreadableObjects());
        writeFile(folder / "bad.pdf", readFile(fixture("damaged-truncated.pdf")));
    }
    ProcessResult runList(const std::string& lines, std::vector<std::string> options = {}) {
        writeFile(folder / "list.txt", lines);
        options.insert(options.begin(), {"-ilist.txt", "-fout", "-p1", "-r90"});
        return runFolioturn(options, folder.path());
    }
    TemporaryFolder folder;
};

TEST_F(ListStatus, IsTheWorstOfItsJobs) {
    EXPECT_EQ(0, runList("good.pdf\ngood.pdf\n").exitCode);
    EXPECT_EQ(3, runList("good.pdf\npartial.pdf\ngood.pdf\n").exitCode);
    EXPECT_EQ(2, runList("partial.pdf\nbad.pdf\ngood.pdf\n").exitCode);
    EXPECT_EQ(2, runList("good.pdf\n\n").exitCode) << "an empty line fails as an input that cannot be opened";
}

TEST(ExitStatus, ObjectsLeftOutOfASingleJob) {
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", fileWithUnreadableObjects());
    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_TRUE(run.output.ends_with("left out: 4\nDone.\n")) << run.output;
    EXPECT_EQ(3, run.exitCode);
}

TEST(ExitStatus, EachFailureOfASingleJob) {
    TemporaryFolder folder;
    const std::string sample = example("sample.pdf");
    EXPECT_EQ(0, runJob(sample, folder / "out.pdf", {"-p1", "-r90"}).exitCode);
    EXPECT_EQ(2, runJob(sample, folder / "out.pdf", {"-p99", "-r90"}).exitCode) << "a page beyond the last";
    EXPECT_EQ(2, runJob(fixture("encrypted.pdf"), folder / "out.pdf", {}).exitCode);
    EXPECT_EQ(2, runJob(fixture("damaged-truncated.pdf"), folder / "out.pdf", {}).exitCode);
    EXPECT_EQ(2, runJob(sample, folder / "missing/out.pdf", {}).exitCode) << "an output that cannot be created";
    EXPECT_EQ(2, runFolioturn({"-i" + sample}).exitCode) << "Error parameter";
}

}  // namespace
