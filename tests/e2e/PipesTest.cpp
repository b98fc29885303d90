// "-i-" and "-o-": the PDF read from standard input and written to standard
// output, with the same bytes as a run on files, and nothing left behind.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "E2eSupport.h"

namespace {

using namespace e2e;

// The folder where wine keeps a Windows program's temporary files: wine sets TMP
// and TEMP from its own registry, whatever the caller's environment says.
std::string wineTemporaryFolder() {
    static const std::string folder = [] {
        const auto firstLine = [](std::string text) { return text.substr(0, text.find_first_of("\r\n")); };
        const std::string windowsPath = firstLine(runProcess({"wine", "cmd", "/c", "echo", "%TEMP%"}).output);
        return firstLine(runProcess({"winepath", "-u", windowsPath}).output);
    }();
    return folder;
}

// Every run keeps its temporary files in a folder of the test's own (wine's own
// for the Windows build), so that what a run leaves there shows.
class Pipes : public testing::Test {
protected:
    std::vector<std::string> environment() const { return {"TMPDIR=" + ownSpoolFolder.path()}; }
    std::string spoolFolder() const { return testingWindowsBuild() ? wineTemporaryFolder() : ownSpoolFolder.path(); }
    // The program's temporary files there.
    std::vector<std::string> leftBehind() const {
        std::vector<std::string> ours;
        for (const std::string& name : TemporaryFolder::entriesOf(spoolFolder()))
            if (name.starts_with(".folioturn-")) ours.push_back(name);
        return ours;
    }
    ProcessResult run(const std::vector<std::string>& arguments, const std::string& input = "") const {
        return runFolioturnWithInput(arguments, input, work.path(), environment());
    }
    // The output of the same job on files.
    std::string fileRunBytes(const std::string& input, const std::vector<std::string>& options) const {
        std::vector<std::string> arguments = {"-i" + input, "-ofile-run.pdf"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        EXPECT_EQ(0, runFolioturn(arguments, work.path()).exitCode);
        return readFile(work / "file-run.pdf");
    }
    void SetUp() override { ASSERT_FALSE(spoolFolder().empty()); }
    void TearDown() override { EXPECT_EQ(std::vector<std::string>{}, leftBehind()); }

    TemporaryFolder work;
    TemporaryFolder ownSpoolFolder;
};

struct PipeCase {
    const char* name;
    std::string fixture;
    std::vector<std::string> options;
    std::string pages;
    int degrees;
    std::string hint = "";  // what standard error says beside the console text
};

// The console text of a job written to standard error, where a hint after the
// output comes between its lines.
std::string consoleOnErrors(const std::string& jobText, const std::string& hint) {
    if (hint.empty()) return jobText;
    const std::string done = "\nDone.\n";
    return jobText.substr(0, jobText.size() - done.size()) + "\nfolioturn: hint: " + hint + "\n" + done;
}
void PrintTo(const PipeCase& c, std::ostream* out) { *out << c.name; }

class PipeBytes : public Pipes, public testing::WithParamInterface<PipeCase> {};

TEST_P(PipeBytes, BothWaysAsOnFiles) {
    const PipeCase& c = GetParam();
    const std::string input = readFile(fixture(c.fixture));
    const std::string expected = fileRunBytes(fixture(c.fixture), c.options);
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> arguments = {"-i-", "-o-"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());

    // Both ends pipes: standard output holds the PDF alone, the console text goes to standard error.
    ProcessResult piped = run(arguments, input);
    EXPECT_EQ(0, piped.exitCode);
    EXPECT_TRUE(expected == piped.output) << "the piped output differs from the file run's";
    EXPECT_EQ(banner + consoleOnErrors(jobDone("-", "-", c.degrees, c.pages), c.hint), piped.errors);

    // A file in, standard output out.
    arguments[0] = "-i" + fixture(c.fixture);
    piped = run(arguments);
    EXPECT_EQ(0, piped.exitCode);
    EXPECT_TRUE(expected == piped.output);
    EXPECT_EQ(banner + consoleOnErrors(jobDone(fixture(c.fixture), "-", c.degrees, c.pages), c.hint), piped.errors);

    // Standard input in, a file out: the console text stays on standard output.
    arguments[0] = "-i-";
    arguments[1] = "-opiped.pdf";
    piped = run(arguments, input);
    EXPECT_EQ(0, piped.exitCode);
    EXPECT_EQ(banner + jobDone("-", "piped.pdf", c.degrees, c.pages), piped.output);
    EXPECT_TRUE(expected == readFile(work / "piped.pdf"));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, PipeBytes,
    testing::Values(PipeCase{"FullRewrite", "rotations.pdf", {"-p1", "-r90"}, "1", 90},
                    PipeCase{"ObjectStreams",
                             "objstm.pdf",
                             {"-p1", "-r180"},
                             "1",
                             180,
                             "the output is 2.2 times the size of the input: -compact keeps the input's object "
                             "streams and writes a smaller cross-reference"},
                    PipeCase{"Incremental", "incremental.pdf", {"-p1", "-r270", "-incremental"}, "1", 270}),
    caseName);

// A failed job writes nothing to standard output and ends with status 2.
TEST_F(Pipes, AFailureWritesNothing) {
    const ProcessResult damaged = run({"-i-", "-o-", "-p1", "-r90"}, readFile(fixture("damaged-truncated.pdf")));
    EXPECT_EQ(2, damaged.exitCode);
    EXPECT_EQ("", damaged.output);
    EXPECT_TRUE(damaged.errors.starts_with(banner + "Rotating file: -")) << damaged.errors;

    const ProcessResult empty = run({"-i-", "-o-"}, "");
    EXPECT_EQ(2, empty.exitCode);
    EXPECT_EQ("", empty.output);

    const ProcessResult pastTheEnd = run({"-i" + fixture("rotations.pdf"), "-o-", "-p99", "-r90"});
    EXPECT_EQ(2, pastTheEnd.exitCode);
    EXPECT_EQ("", pastTheEnd.output);
}

// A list run writes into a folder; -o- is for a single file, and "-" is no list.
TEST_F(Pipes, ListRunsRefuseStandardOutput) {
    writeFile(work / "list.txt", "a.pdf\n");
    const ProcessResult list = run({"-ilist.txt", "-o-"});
    EXPECT_EQ(2, list.exitCode);
    EXPECT_EQ("", list.output);
    EXPECT_TRUE(list.errors.starts_with(banner + "please specify -f for output folder, e.g. -fc:\\test\n"))
        << list.errors;
    EXPECT_NE(std::string::npos, list.errors.find("folioturn: hint: a list run writes into the folder that -f names"));
    EXPECT_EQ((std::vector<std::string>{"list.txt"}), work.entries());
}

// Interrupted while it copies standard input, the run leaves no copy behind.
TEST_F(Pipes, AnInterruptedSpoolLeavesNothing) {
    int input[2];
    ASSERT_EQ(0, ::pipe(input));
    std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), {"-i-", "-o-"});
    const std::vector<std::string> variables = environment();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[0]);
        ::close(input[1]);
        const int nowhere = ::open("/dev/null", O_WRONLY);
        ::dup2(nowhere, STDOUT_FILENO);
        ::dup2(nowhere, STDERR_FILENO);
        ::signal(SIGINT, SIG_DFL);
        for (const std::string& entry : variables) ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(input[0]);
    const std::string half = readFile(fixture("rotations.pdf")).substr(0, 500);
    ASSERT_EQ(static_cast<ssize_t>(half.size()), ::write(input[1], half.data(), half.size()));
    bool spooling = false;
    for (int wait = 0; wait < 300 && !spooling; ++wait) {
        spooling = !leftBehind().empty();
        if (!spooling) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(spooling) << "no copy of standard input appeared in " << spoolFolder();
    // Ctrl+C on Windows, which wine delivers as SIGINT.
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ::close(input[1]);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    // The program deletes the spool while it is still open, which Windows carries
    // out when its handle closes: under wine that is the wine server's work, and it
    // may finish a moment after the process has gone.
    for (int wait = 0; wait < 100 && testingWindowsBuild() && !leftBehind().empty(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace
