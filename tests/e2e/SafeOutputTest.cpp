// Outputs that never destroy anything: whatever stood at the destination survives
// a failed, interrupted or killed job; links and permissions stay; inputs that are
// not regular files, or change while they are read, are refused.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

const std::string sample = example("sample.pdf");
const std::string oldContent = "what stood here before\n";

bool holdsTemporary(const TemporaryFolder& folder) {
    for (const std::string& name : folder.entries())
        if (name.starts_with(".folioturn-")) return true;
    return false;
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode;
}

// A valid PDF whose one page draws from a large image stream: large enough that a
// job spends a while copying it.
std::string largePdf(size_t streamBytes) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im 4 0 R >> >> >>");
    pdf.stream(4, "/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
               std::string(streamBytes, 'x'));
    pdf.startxref(pdf.table("/Size 5 /Root 1 0 R"));
    return pdf.bytes();
}

TEST(SafeOutput, AFailedJobLeavesTheDestinationAsItWas) {
    TemporaryFolder folder;
    writeFile(folder / "out.pdf", oldContent);
    const ProcessResult run = runJob(sample, folder / "out.pdf", {"-p99", "-r90"});
    EXPECT_EQ(banner + jobHead(sample, folder / "out.pdf", 90, "99") + "Page number 99 greater than 6 pages in file",
              run.output);
    EXPECT_EQ(oldContent, readFile(folder / "out.pdf"));
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

TEST(SafeOutput, ALinkAtTheDestinationKeepsPointingAtTheResult) {
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "elsewhere");
    writeFile(folder / "elsewhere/target.pdf", oldContent);
    ASSERT_EQ(0, ::symlink("elsewhere/target.pdf", (folder / "link.pdf").c_str()));

    ProcessResult run = runJob(sample, folder / "link.pdf", {"-p99"});
    EXPECT_EQ(oldContent, readFile(folder / "elsewhere/target.pdf")) << run.output;

    run = runJob(sample, folder / "link.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(sample, folder / "link.pdf", 90, "1"), run.output);
    EXPECT_TRUE(S_ISLNK(modeOf(folder / "link.pdf")));
    EXPECT_TRUE(isRotatedCopy(sample, folder / "elsewhere/target.pdf", "90"));
    EXPECT_EQ(std::vector<std::string>{"target.pdf"}, TemporaryFolder::entriesOf(folder / "elsewhere"));
}

TEST(SafeOutput, AHardLinkToTheInputGetsTheResultAndTheInputStays) {
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", readFile(sample));
    ASSERT_EQ(0, ::link((folder / "in.pdf").c_str(), (folder / "out.pdf").c_str()));
    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1"), run.output);
    EXPECT_EQ(readFile(sample), readFile(folder / "in.pdf"));
    EXPECT_TRUE(isRotatedCopy(sample, folder / "out.pdf", "90"));
}

// Why a test of POSIX notions does not run against the Windows build.
const char* const notWindowsPermissions = "POSIX permission bits and owners are not Windows notions (Windows keeps "
                                          "a replaced file's security with ReplaceFile, which wine does not map)";

TEST(SafeOutput, PermissionsAndOwnerOfAnExistingDestinationStay) {
    if (testingWindowsBuild()) GTEST_SKIP() << notWindowsPermissions;
    TemporaryFolder folder;
    writeFile(folder / "out.pdf", oldContent);
    ASSERT_EQ(0, ::chmod((folder / "out.pdf").c_str(), 0604));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(0, ::chown((folder / "out.pdf").c_str(), 1234, 4321));
    }
    const ProcessResult run = runJob(sample, folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(sample, folder / "out.pdf", 90, "1"), run.output);
    struct stat status {};
    ASSERT_EQ(0, ::stat((folder / "out.pdf").c_str(), &status));
    EXPECT_EQ(0604u, status.st_mode & 07777);
    if (root) {
        EXPECT_EQ(std::make_pair(1234u, 4321u), std::make_pair(status.st_uid, status.st_gid));
    }
}

TEST(SafeOutput, ANewDestinationGetsTheModeOfANewFile) {
    if (testingWindowsBuild()) GTEST_SKIP() << notWindowsPermissions;
    TemporaryFolder folder;
    const mode_t mask = ::umask(022);
    const ProcessResult run = runJob(sample, folder / "out.pdf", {"-p1", "-r90"});
    ::umask(mask);
    EXPECT_EQ(0644u, modeOf(folder / "out.pdf") & 07777) << run.output;
}

TEST(SafeOutput, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
    TemporaryFolder folder;
    ASSERT_EQ(0, ::mkfifo((folder / "pipe.pdf").c_str(), 0600));
    std::filesystem::create_directories(folder / "folder.pdf");
    ProcessResult run = runJob(folder / "pipe.pdf", folder / "out.pdf", {"-p1"});
    // Windows knows no FIFO: wine does not open one at all, so there is no reason to give.
    const std::string notRegular = testingWindowsBuild() ? "" : "it is not a regular file\n";
    EXPECT_EQ(banner + "Input file open error: " + folder / "pipe.pdf" + "\n" + notRegular, run.output);
    run = runJob(folder / "folder.pdf", folder / "out.pdf", {"-p1"});
    EXPECT_EQ(banner + "Input file open error: " + folder / "folder.pdf" + "\nit is a folder, not a file\n",
              run.output);
    EXPECT_FALSE(exists(folder / "out.pdf"));
}

TEST(SafeOutput, AnOutputThatIsAPipeIsRefusedAndStays) {
    TemporaryFolder folder;
    ASSERT_EQ(0, ::mkfifo((folder / "pipe.pdf").c_str(), 0600));
    const ProcessResult run = runJob(sample, folder / "pipe.pdf", {"-p1"});
    EXPECT_EQ(banner + "Rotating file: " + sample + "\nOutput file create error: " + folder / "pipe.pdf" + "\n" +
                  folder / "pipe.pdf" + " is not a regular file\n",
              run.output);
    EXPECT_TRUE(S_ISFIFO(modeOf(folder / "pipe.pdf")));
}

TEST(SafeOutput, AFileSizeLimitIsAWriteErrorAndLeavesNothing) {
    if (testingWindowsBuild()) GTEST_SKIP() << "a file-size limit (ulimit -f, SIGXFSZ) is a POSIX notion";
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", largePdf(4 << 20));
    writeFile(folder / "out.pdf", oldContent);
    const std::string limited = "ulimit -f 1024; exec '" + std::string(FOLIOTURN_PROGRAM) + "' -iin.pdf -oout.pdf -p1";
    const ProcessResult run = runProcess({"sh", "-c", limited}, folder.path());
    EXPECT_EQ(2, run.exitCode) << "signal " << run.signal;
    EXPECT_TRUE(run.output.ends_with(": File too large\n")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("\nOutput file write error: out.pdf\ncannot write ")) << run.output;
    EXPECT_EQ(oldContent, readFile(folder / "out.pdf"));
    EXPECT_FALSE(holdsTemporary(folder));
}

// A job started on a large input and stopped while its temporary output exists.
class StoppedJob {
public:
    StoppedJob(const TemporaryFolder& folder, const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        child = ::fork();
        if (child == 0) {
            if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
            if (!std::freopen("/dev/null", "w", stdout)) ::_exit(125);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        while (!holdsTemporary(folder) && !exited()) {
        }
        ::kill(child, SIGSTOP);
        stoppedWhileWriting = holdsTemporary(folder);
    }
    ~StoppedJob() {
        if (child > 0 && !reaped) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }
    // Sends `signal`, lets the job go on, and gives its wait status.
    int finishWith(int signal) {
        if (signal) ::kill(child, signal);
        ::kill(child, SIGCONT);
        int status = 0;
        ::waitpid(child, &status, 0);
        reaped = true;
        return status;
    }

    bool stoppedWhileWriting = false;

private:
    bool exited() { return ::waitpid(child, nullptr, WNOHANG) == child && (reaped = true); }

    pid_t child = -1;
    bool reaped = false;
};

// The command that runs the program under test with `arguments`.
std::vector<std::string> commandWith(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

// The exit code of a Windows process ended by Ctrl+C (STATUS_CONTROL_C_EXIT), as
// wine hands it on: its low byte.
constexpr int controlCExitCode = 0xC000013A & 0xFF;

class Interrupted : public testing::TestWithParam<int> {};

// On Windows the counterpart of SIGINT is Ctrl+C, which wine delivers as SIGINT.
TEST_P(Interrupted, RemovesItsTemporaryFileAndEndsAsTheSignalWould) {
    if (testingWindowsBuild() && GetParam() != SIGINT)
        GTEST_SKIP() << "Windows has no SIGTERM or SIGHUP: wine ends the process at once, as TerminateProcess "
                        "would, and that cannot be caught";
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", largePdf(size_t{256} << 20));
    writeFile(folder / "out.pdf", oldContent);
    StoppedJob job(folder, commandWith({"-iin.pdf", "-oout.pdf", "-p1", "-r90"}));
    ASSERT_TRUE(job.stoppedWhileWriting) << "the job ended before it could be stopped";
    const int status = job.finishWith(GetParam());
    if (testingWindowsBuild())
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == controlCExitCode) << "wait status " << status;
    else
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << "wait status " << status;
    EXPECT_EQ(oldContent, readFile(folder / "out.pdf"));
    EXPECT_EQ((std::vector<std::string>{"in.pdf", "out.pdf"}), folder.entries());
}

INSTANTIATE_TEST_SUITE_P(E2e, Interrupted, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

TEST(SafeOutput, AnInputThatChangesWhileItIsReadFailsTheJob) {
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", largePdf(size_t{256} << 20));
    const std::string console = folder / "console.txt";
    std::string command = "exec";
    for (const std::string& word : commandWith({"-iin.pdf", "-oout.pdf", "-p1"})) command += " '" + word + "'";
    StoppedJob job(folder, {"/bin/sh", "-c", command + " > console.txt"});
    ASSERT_TRUE(job.stoppedWhileWriting) << "the job ended before it could be stopped";
    std::ofstream(folder / "in.pdf", std::ios::binary | std::ios::app) << "% appended\n";
    const int status = job.finishWith(0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_TRUE(readFile(console).ends_with("\nInput file changed while it was read: in.pdf\n")) << readFile(console);
    EXPECT_FALSE(exists(folder / "out.pdf"));
    EXPECT_FALSE(holdsTemporary(folder));
}

TEST(SafeOutput, ObjectsThatCannotBeReadAreNamed) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>");
    pdf.entry(4, 1, 900000, 0);  // listed in use, beyond the end of the file
    pdf.entry(5, 1, 900100, 0);
    pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
    writeFile(folder / "in.pdf", pdf.bytes());
    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobHead(folder / "in.pdf", folder / "out.pdf", 90, "1") +
                  "\nWarning: 2 objects that the cross-reference lists in use could not be read and were left out: "
                  "4, 5\nDone.\n",
              run.output);
    EXPECT_EQ(3, run.exitCode) << "the output was written without some objects";
    EXPECT_TRUE(qpdfCheckClean(folder / "out.pdf"));
}

}  // namespace
