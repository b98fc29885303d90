// What a script relies on: the exit status of every kind of run, hints and
// warnings on standard error, -continue, and a progress line only at a terminal.
#include <algorithm>
#include <regex>

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
    std::string done(const std::string& line) { return jobDone(line, "out" + listSeparator() + line, 90, "1"); }
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

const std::string repairHint =
    "folioturn: hint: the file is damaged; -repair reads damaged files as other PDF readers recover them\n";
const std::string partialEnding =
    "\nWarning: 1 object that the cross-reference lists in use could not be read and was left out: 4\nDone.\n";

TEST_F(ListStatus, ContinueGoesOnAfterEachFailureAndCountsAtTheEnd) {
    const ProcessResult run = runList("good.pdf\nbad.pdf\npartial.pdf\n\ngood.pdf\n", {"-continue"});
    const std::string partial = jobHead("partial.pdf", "out" + listSeparator() + "partial.pdf", 90, "1");
    EXPECT_EQ(banner + done("good.pdf") + "Rotating file: bad.pdfPDF file was damaged\n" + partial + partialEnding +
                  "Input file open error: \n" + done("good.pdf") + "Files rotated: 3, failed: 2\n",
              run.output);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(repairHint, errorsOf(run)) << "the hint follows the damaged file only";
    EXPECT_TRUE(exists(folder / "out/partial.pdf"));
    EXPECT_FALSE(exists(folder / "out/bad.pdf"));
}

TEST_F(ListStatus, ContinueWithoutAFailure) {
    ProcessResult run = runList("good.pdf\n", {"-continue"});
    EXPECT_EQ(banner + done("good.pdf") + "Files rotated: 1, failed: 0\n", run.output);
    EXPECT_EQ(0, run.exitCode);
    run = runList("partial.pdf\n", {"-continue"});
    EXPECT_EQ(3, run.exitCode);
    EXPECT_TRUE(run.output.ends_with(partialEnding + "Files rotated: 1, failed: 0\n")) << run.output;
}

TEST_F(ListStatus, ContinuePassesOverTheWholeOfALineTooLongToBeAPath) {
    const ProcessResult run = runList(std::string(100000, 'x') + "\ngood.pdf\n", {"-continue"});
    EXPECT_TRUE(run.output.ends_with(" characters)\n" + done("good.pdf") + "Files rotated: 1, failed: 1\n"))
        << run.output;
}

TEST(StandardError, HintsAndWarningsLeaveStandardOutputAsItWas) {
    TemporaryFolder folder;
    const std::string sample = example("sample.pdf"), output = folder / "out.pdf";
    ProcessResult run = runJob(sample, output, {"-p1", "-r90"});
    EXPECT_EQ("", run.errors) << "nothing to say about a good run";

    run = runJob(fixture("damaged-truncated.pdf"), output, {"-p1", "-r90"});
    EXPECT_TRUE(run.output.ends_with("PDF file was damaged")) << run.output;
    EXPECT_EQ("\n" + repairHint, errorsOf(run)) << "the message has no line end: a log of both streams stays readable";
    run = runJob(fixture("damaged-truncated.pdf"), output, {"-p1", "-r90", "-repair"});
    EXPECT_EQ("", run.errors) << "-repair was given";

    const ProcessResult bareP = runJob(sample, output, {"-p"});
    run = runJob(sample, output, {"-p", "1"});
    EXPECT_EQ(bareP.output, run.output);
    EXPECT_EQ("folioturn: warning: \"1\" ignored: a value follows its option without a space, as in -p1\n",
              errorsOf(run));
    EXPECT_EQ(0, run.exitCode);

    run = runJob(sample, output, {"-p2", "--force", "-r90"});
    EXPECT_EQ(banner + jobDone(sample, output, 90, "2"), run.output);
    EXPECT_EQ("folioturn: warning: \"--force\" ignored: unknown option; did you mean -force?\n", errorsOf(run));

    run = runJob(sample, output, {"-p1", "-r45"});
    EXPECT_EQ(banner + jobDone(sample, output, 45, "1"), run.output);
    EXPECT_EQ(
        "folioturn: warning: -r45: a page's /Rotate must be a multiple of 90 (ISO 32000); 45 is written as "
        "given\n",
        errorsOf(run));
    EXPECT_TRUE(isRotatedCopy(sample, output, "45")) << "written as given";
}

TEST(StandardError, ArgumentWarningsComeOnceForAListRun) {
    TemporaryFolder folder;
    writeFile(folder / "a.pdf", readFile(example("sample.pdf")));
    writeFile(folder / "list.txt", "a.pdf\na.pdf\na.pdf\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-x"}, folder.path());
    EXPECT_EQ("folioturn: warning: \"-x\" ignored: unknown option\n", errorsOf(run));
    EXPECT_EQ(0, run.exitCode);
}

// A terminal's screen after `bytes`: a backspace moves back one column, a carriage
// return to the start of the line, and a character overwrites the one under the cursor.
std::vector<std::string> screenAfter(const std::string& bytes) {
    std::vector<std::string> lines(1);
    size_t column = 0;
    for (const char c : bytes) {
        if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (c == '\r') {
            column = 0;
        } else if (c == '\b') {
            column -= column > 0 ? 1 : 0;
        } else {
            std::string& line = lines.back();
            if (line.size() <= column) line.resize(column + 1, ' ');
            line[column++] = c;
        }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
}

// Runs `command` by the shell on a pseudo-terminal (script(1)); gives what the terminal received.
ProcessResult onTerminal(const std::string& command, const std::string& folder) {
    return runProcess({"script", "-qefc", command, "/dev/null"}, folder);
}

class Progress : public testing::Test {
protected:
    void SetUp() override {
        if (testingWindowsBuild()) GTEST_SKIP() << "wine does not give a Windows console over a pseudo-terminal";
        for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) writeFile(folder / name, readFile(example("sample.pdf")));
        writeFile(folder / "list.txt", "a.pdf\nb.pdf\nc.pdf\n");
    }
    const std::string program = std::string("'") + FOLIOTURN_PROGRAM + "'";
    TemporaryFolder folder;
};

TEST_F(Progress, AListRunCountsItsFilesOnTheTerminalAndStandardOutputStaysClean) {
    const ProcessResult run = onTerminal(program + " -ilist.txt -fout -p1 -r90 >console.txt", folder.path());
    EXPECT_EQ(0, run.exitCode);
    for (const char* position : {"file 1 of 3", "file 2 of 3", "file 3 of 3"})
        EXPECT_NE(std::string::npos, run.output.find(position)) << run.output;
    EXPECT_EQ(std::vector<std::string>{""}, screenAfter(run.output)) << "the progress line is taken away at the end";
    const ProcessResult plain = runFolioturn({"-ilist.txt", "-fplain", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(plain.output, std::regex_replace(readFile(folder / "console.txt"), std::regex("out/"), "plain/"));
    EXPECT_EQ("", plain.errors) << "no progress when standard error is not a terminal";
}

TEST_F(Progress, OnATerminalSharedWithStandardOutputLeavesNoTrace) {
    const ProcessResult run = onTerminal(program + " -ilist.txt -fout -p1 -r90", folder.path());
    EXPECT_NE(std::string::npos, run.output.find("file 3 of 3")) << run.output;
    const ProcessResult plain = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(screenAfter(plain.output), screenAfter(run.output));
}

TEST_F(Progress, NoneWhenStandardErrorIsAFile) {
    const ProcessResult run = onTerminal(program + " -ilist.txt -fout -p1 -r90 2>errors.txt", folder.path());
    EXPECT_EQ(std::string::npos, run.output.find("file 1 of 3")) << run.output;
    EXPECT_EQ("", readFile(folder / "errors.txt"));
}

}  // namespace
