// Outputs that never destroy anything: whatever stood at the destination survives
// a failed, interrupted or killed job; links and permissions stay; inputs that are
// not regular files, or change while they are read, are refused.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string_view>
#include <thread>

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

std::string tableEntry(uint64_t offset) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
    return entry;
}

// The same as largePdf, written as a sparse file whose stream data is a hole: a
// job copies it for a while, and it costs no disk space or memory to make.
void writeSparseLargePdf(const std::string& path, uint64_t streamBytes) {
    PdfBuilder pdf;
    const uint32_t catalogue = pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    const uint32_t pages = pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    const uint32_t page = pdf.object(
        3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im 4 0 R >> >> >>");
    const uint32_t image = pdf.offset();
    pdf.raw(
        "4 0 obj\n<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
        "/BitsPerComponent 8 /Length " +
        std::to_string(streamBytes) + " >>\nstream\n");
    std::string tail = "\nendstream\nendobj\n";
    const uint64_t table = pdf.bytes().size() + streamBytes + tail.size();
    tail += "xref\n0 5\n0000000000 65535 f \n" + tableEntry(catalogue) + tableEntry(pages) + tableEntry(page) +
            tableEntry(image) + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    std::ofstream file(path, std::ios::binary);
    file << pdf.bytes();
    file.seekp(static_cast<std::streamoff>(pdf.bytes().size() + streamBytes));
    file << tail;
}

constexpr uint64_t largeStreamBytes = uint64_t{256} << 20;

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

// A loop, or a chain longer than the system follows, leads to no file: the job
// is refused and every link stays as it was.
TEST(SafeOutput, ALinkThatLeadsToNoFileIsRefusedAndStays) {
    TemporaryFolder folder;
    ASSERT_EQ(0, ::symlink("b.pdf", (folder / "a.pdf").c_str()));
    ASSERT_EQ(0, ::symlink("a.pdf", (folder / "b.pdf").c_str()));
    writeFile(folder / "target.pdf", oldContent);
    const int chain = 41;  // Linux follows 40 links
    for (int link = 0; link < chain; ++link) {
        const std::string next = link + 1 < chain ? "chain" + std::to_string(link + 1) + ".pdf" : "target.pdf";
        ASSERT_EQ(0, ::symlink(next.c_str(), (folder / ("chain" + std::to_string(link) + ".pdf")).c_str()));
    }
    // Windows' reason, in wine's words, for ERROR_CANT_RESOLVE_FILENAME.
    const std::string reason =
        testingWindowsBuild() ? ": The filename cannot be resolved\n" : ": Too many levels of symbolic links\n";
    for (const std::string name : {"a.pdf", "chain0.pdf"}) {
        const ProcessResult run = runJob(sample, folder / name, {"-p1", "-r90"});
        EXPECT_EQ(banner + "Rotating file: " + sample + "\nOutput file create error: " + folder / name + "\n" +
                      folder / name + reason,
                  run.output);
    }
    EXPECT_EQ("b.pdf", std::filesystem::read_symlink(folder / "a.pdf").string());
    EXPECT_EQ("a.pdf", std::filesystem::read_symlink(folder / "b.pdf").string());
    EXPECT_EQ("chain1.pdf", std::filesystem::read_symlink(folder / "chain0.pdf").string());
    EXPECT_EQ(oldContent, readFile(folder / "target.pdf"));
    EXPECT_FALSE(holdsTemporary(folder));
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
const char* const notWindowsPermissions =
    "POSIX permission bits and owners are not Windows notions (Windows keeps "
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

// A change of owner clears the set-ID bits: they are restored after it.
class SpecialModeBits : public testing::TestWithParam<mode_t> {};

TEST_P(SpecialModeBits, OfAnExistingDestinationStay) {
    if (testingWindowsBuild()) GTEST_SKIP() << notWindowsPermissions;
    TemporaryFolder folder;
    writeFile(folder / "out.pdf", oldContent);
    ASSERT_EQ(0, ::chmod((folder / "out.pdf").c_str(), GetParam()));
    ASSERT_EQ(GetParam(), modeOf(folder / "out.pdf") & 07777) << "the system does not let this user set the bits";
    const ProcessResult run = runJob(sample, folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(sample, folder / "out.pdf", 90, "1"), run.output);
    EXPECT_EQ(GetParam(), modeOf(folder / "out.pdf") & 07777);
}

INSTANTIATE_TEST_SUITE_P(E2e, SpecialModeBits, testing::Values(04755, 02755, 06755, 01644, 07777),
                         [](const testing::TestParamInfo<mode_t>& info) {
                             char octal[16];
                             std::snprintf(octal, sizeof octal, "Mode%04o", static_cast<unsigned>(info.param));
                             return std::string(octal);
                         });

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

// The signals whose default action ends a process, as the program should meet them.
struct EndingSignal {
    std::string name;
    int number;
};
void PrintTo(const EndingSignal& s, std::ostream* out) { *out << s.name; }

std::vector<EndingSignal> endingSignals() {
    std::vector<EndingSignal> signals;
    for (int number :
         {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE, SIGUSR1, SIGSEGV, SIGUSR2,
          SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,  SIGPWR,  SIGSYS})
        signals.push_back({sigabbrev_np(number), number});
    signals.push_back({"RTMIN", SIGRTMIN});
    signals.push_back({"RTMAX", SIGRTMAX});
    return signals;
}

// In a child about to run the program: the signals as a caller that has set up
// nothing leaves them, and no core file from the signals that dump one.
void defaultSignalsAndNoCoreFile() {
    for (const EndingSignal& s : endingSignals()) ::signal(s.number, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
}

// The command that runs the program under test with `arguments`.
std::vector<std::string> commandWith(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

// The order in which a job syncs and renames, as strace sees it: "sync NAME" and
// "rename FROM TO", with the temporary file named "temporary".
std::vector<std::string> syncsAndRenames(const std::string& trace) {
    static const std::regex opened(R"re(^openat\(AT_FDCWD, "([^"]*)", .*\) = (\d+)$)re");
    static const std::regex synced(R"re(^f(data)?sync\((\d+)\) += 0$)re");
    static const std::regex renamed(R"re(^rename(at2?)?\((AT_FDCWD, )?"([^"]*)", (AT_FDCWD, )?"([^"]*)".*\) = 0$)re");
    const auto named = [](const std::string& path) {
        return path.starts_with("./.folioturn-") ? std::string("temporary") : path;
    };
    std::map<std::string, std::string> pathOf;  // by descriptor
    std::vector<std::string> events;
    std::istringstream lines(trace);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, opened)) pathOf[match[2]] = named(match[1]);
        else if (std::regex_match(line, match, synced)) events.push_back("sync " + pathOf[match[2]]);
        else if (std::regex_match(line, match, renamed))
            events.push_back("rename " + named(match[3]) + " " + named(match[5]));
    }
    return events;
}

// A replaced file's new bytes reach the disk before the rename, and the rename
// before the job ends; a new file, whose input still exists, costs no sync.
TEST(SafeOutput, AReplacementIsSyncedBeforeAndAfterItsRename) {
    if (testingWindowsBuild()) GTEST_SKIP() << "strace traces POSIX system calls";
    if (runProcess({"strace", "-o", "/dev/null", "true"}).exitCode != 0)
        GTEST_SKIP() << "strace cannot trace here (install it; containers may forbid ptrace)";
    struct Case {
        std::string output;
        bool exists;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {"out.pdf", true, {"sync temporary", "rename temporary out.pdf", "sync ."}},
        {"in.pdf", true, {"sync temporary", "rename temporary in.pdf", "sync ."}},
        {"new.pdf", false, {"rename temporary new.pdf"}},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        writeFile(folder / "in.pdf", readFile(sample));
        if (c.output != "in.pdf" && c.exists) writeFile(folder / c.output, oldContent);
        std::vector<std::string> traced = {"strace", "-o", folder / "trace.txt", "-e",
                                           "trace=openat,fsync,fdatasync,rename,renameat,renameat2"};
        for (const std::string& word : commandWith({"-iin.pdf", "-o" + c.output, "-p1", "-r90"}))
            traced.push_back(word);
        const ProcessResult run = runProcess(traced, folder.path());
        EXPECT_TRUE(run.output.ends_with("\nDone.\n")) << run.output;
        EXPECT_EQ(c.events, syncsAndRenames(readFile(folder / "trace.txt"))) << c.output;
        EXPECT_TRUE(isRotatedCopy(sample, folder / c.output, "90")) << c.output;
    }
}

// The Windows counterpart, as wine's relay trace shows the calls into KERNEL32:
// "create temporary", "flush", "replace" and "move", in order.
std::vector<std::string> flushesAndReplacements(const std::string& trace) {
    static const std::regex call(R"re(Call KERNEL32\.(CreateFileW|FlushFileBuffers|ReplaceFileW|MoveFileExW)\((.*))re");
    std::vector<std::string> events;
    std::istringstream lines(trace);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (!std::regex_search(line, match, call)) continue;
        const std::string function = match[1];
        if (function == "CreateFileW") {
            if (match[2].str().find(".folioturn-") != std::string::npos) events.push_back("create temporary");
        } else {
            events.push_back(function == "FlushFileBuffers" ? "flush"
                             : function == "ReplaceFileW"   ? "replace"
                                                            : "move");
        }
    }
    return events;
}

TEST(SafeOutput, AReplacementIsFlushedBeforeReplaceFile) {
    const char* launcher = std::getenv("FOLIOTURN_LAUNCHER");
    if (!testingWindowsBuild() || !launcher || std::string(launcher).find("wine") == std::string::npos)
        GTEST_SKIP() << "FlushFileBuffers and ReplaceFile are Windows calls, traced here by wine";
    for (const bool exists : {true, false}) {
        TemporaryFolder folder;
        writeFile(folder / "in.pdf", readFile(sample));
        if (exists) writeFile(folder / "out.pdf", oldContent);
        std::vector<std::string> traced = {"env", "WINEDEBUG=+relay"};
        for (const std::string& word : commandWith({"-iin.pdf", "-oout.pdf", "-p1", "-r90"})) traced.push_back(word);
        const ProcessResult run = runProcess(traced, folder.path(), true);
        const std::vector<std::string> events = flushesAndReplacements(run.output);
        // Wine's ReplaceFile may fail where Windows' would not; the rename then follows.
        std::vector<std::string> expected = {"create temporary"};
        if (exists) expected.insert(expected.end(), {"flush", "replace"});
        else expected.push_back("move");
        ASSERT_GE(events.size(), expected.size()) << run.output.substr(0, 2000);
        EXPECT_EQ(expected, std::vector<std::string>(events.begin(), events.begin() + expected.size()));
        EXPECT_TRUE(isRotatedCopy(sample, folder / "out.pdf", "90"));
    }
}

// Waits for a job to make its temporary output in a folder, without polling: an
// inotify watch, set before the job starts, reports every name made there, and the
// job's end hangs up a pipe whose writing end only the job holds.
class TemporaryOutputWatch {
public:
    explicit TemporaryOutputWatch(const TemporaryFolder& folder) : watch(::inotify_init1(IN_CLOEXEC)) {
        if (watch >= 0) ::inotify_add_watch(watch, folder.path().c_str(), IN_CREATE | IN_MOVED_TO);
        if (::pipe2(jobAlive, O_CLOEXEC) != 0) jobAlive[0] = jobAlive[1] = -1;
    }
    ~TemporaryOutputWatch() {
        for (const int descriptor : {watch, jobAlive[0], jobAlive[1]})
            if (descriptor >= 0) ::close(descriptor);
    }
    TemporaryOutputWatch(const TemporaryOutputWatch&) = delete;
    TemporaryOutputWatch& operator=(const TemporaryOutputWatch&) = delete;

    // In the job's process before exec: the pipe's writing end stays open in the job.
    void handToJob() const { ::fcntl(jobAlive[1], F_SETFD, 0); }
    // In the test's process once the job runs: only the job holds the writing end now.
    void jobStarted() {
        ::close(jobAlive[1]);
        jobAlive[1] = -1;
    }
    // True once a temporary output is made; false when the job ends before.
    bool waitForTemporary() const {
        if (watch < 0 || jobAlive[0] < 0) return false;
        alignas(inotify_event) char events[4096];
        for (;;) {
            pollfd ready[2] = {{watch, POLLIN, 0}, {jobAlive[0], 0, 0}};  // a hang-up is always reported
            // A last resort should the hang-up never come, not a measure of speed.
            if (::poll(ready, 2, 60000) <= 0) return false;
            if (ready[0].revents & POLLIN) {
                const ssize_t got = ::read(watch, events, sizeof events);
                for (ssize_t at = 0; at < got;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                    if (event->len > 0 && std::string_view(event->name).starts_with(".folioturn-")) return true;
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            } else if (ready[1].revents != 0) {
                return false;
            }
        }
    }

private:
    int watch;
    int jobAlive[2];
};

// A job started on a large input and stopped once its temporary output exists.
class StoppedJob {
public:
    StoppedJob(const TemporaryFolder& folder, const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        TemporaryOutputWatch watch(folder);
        child = ::fork();
        if (child == 0) {
            if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
            if (!std::freopen("/dev/null", "w", stdout)) ::_exit(125);
            defaultSignalsAndNoCoreFile();
            watch.handToJob();
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        watch.jobStarted();
        if (watch.waitForTemporary()) ::kill(child, SIGSTOP);
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
    pid_t child = -1;
    bool reaped = false;
};

// The command as one line for sh, every word quoted.
std::string shellLine(const std::vector<std::string>& command) {
    std::string line = "exec";
    for (const std::string& word : command) line += " '" + word + "'";
    return line;
}

// The exit code of a Windows process ended by Ctrl+C (STATUS_CONTROL_C_EXIT), as
// wine hands it on: its low byte.
constexpr int controlCExitCode = 0xC000013A & 0xFF;

// The folder's entries once a terminated job's files are closed. Windows closes a
// process's handles before its end can be waited for; wine's server closes them a
// little after the process has gone, and the temporary file, deleted while still
// open, keeps its name until then.
std::vector<std::string> entriesOnceSettled(const TemporaryFolder& folder) {
    if (!testingWindowsBuild()) return folder.entries();
    for (int attempt = 0; attempt < 100 && holdsTemporary(folder); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return folder.entries();
}

// One large input for every signal: a sparse file, so each test makes its own.
class Interrupted : public testing::TestWithParam<EndingSignal> {};

// On Windows the counterpart of SIGINT is Ctrl+C, which wine delivers as SIGINT.
TEST_P(Interrupted, RemovesItsTemporaryFileAndEndsAsTheSignalWould) {
    const int signal = GetParam().number;
    if (testingWindowsBuild() && signal != SIGINT)
        GTEST_SKIP() << "Windows has no signals but Ctrl+C (SIGINT under wine); wine ends the process at once on "
                        "the others, as TerminateProcess would, and that cannot be caught";
    TemporaryFolder folder;
    writeSparseLargePdf(folder / "in.pdf", largeStreamBytes);
    writeFile(folder / "out.pdf", oldContent);
    StoppedJob job(folder, commandWith({"-iin.pdf", "-oout.pdf", "-p1", "-r90"}));
    ASSERT_TRUE(job.stoppedWhileWriting) << "the job ended before it could be stopped";
    const int status = job.finishWith(signal);
    if (testingWindowsBuild())
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == controlCExitCode) << "wait status " << status;
    else EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
    EXPECT_EQ(oldContent, readFile(folder / "out.pdf"));
    EXPECT_EQ((std::vector<std::string>{"in.pdf", "out.pdf"}), entriesOnceSettled(folder));
}

INSTANTIATE_TEST_SUITE_P(E2e, Interrupted, testing::ValuesIn(endingSignals()), caseName);

// nohup, or a shell that starts a job in the background, ignores signals for it.
TEST(SafeOutput, ASignalThatTheCallerIgnoresStaysIgnored) {
    if (testingWindowsBuild()) GTEST_SKIP() << "signals a caller ignores are a POSIX notion";
    TemporaryFolder folder;
    writeSparseLargePdf(folder / "in.pdf", largeStreamBytes);
    const std::string job = shellLine(commandWith({"-iin.pdf", "-oout.pdf", "-p1", "-r90"}));
    StoppedJob stopped(folder, {"/bin/sh", "-c", "trap '' HUP USR1; " + job + " > console.txt"});
    ASSERT_TRUE(stopped.stoppedWhileWriting) << "the job ended before it could be stopped";
    const int status = stopped.finishWith(SIGUSR1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_TRUE(readFile(folder / "console.txt").ends_with("\nDone.\n")) << readFile(folder / "console.txt");
    EXPECT_GT(std::filesystem::file_size(folder / "out.pdf"), largeStreamBytes);
    EXPECT_FALSE(holdsTemporary(folder));
}

// What the program writes before its output exists: the banner and the first
// words of the job's line.
std::string consoleBeforeTheOutput(const std::string& input) { return banner + "Rotating file: " + input; }

// `head` that has read enough: the console pipe closes while the job writes to it.
// The pipe is made one page small and filled so that exactly the text before the
// output exists fits: the job then waits, with its temporary file made, to write
// the next words, until the pipe's reading end closes.
TEST(SafeOutput, AConsolePipeClosedEarlyLeavesNothing) {
    TemporaryFolder folder;
    writeSparseLargePdf(folder / "in.pdf", largeStreamBytes);
    writeFile(folder / "out.pdf", oldContent);
    int ends[2];
    ASSERT_EQ(0, ::pipe2(ends, O_CLOEXEC));
    const int capacity = ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
    ASSERT_GT(capacity, 0);
    const std::string filler(static_cast<size_t>(capacity) - consoleBeforeTheOutput("in.pdf").size(), '.');
    ASSERT_EQ(static_cast<ssize_t>(filler.size()), ::write(ends[1], filler.data(), filler.size()));
    const std::vector<std::string> command = commandWith({"-iin.pdf", "-oout.pdf", "-p1", "-r90"});
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    TemporaryOutputWatch watch(folder);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
        ::dup2(ends[1], STDOUT_FILENO);
        defaultSignalsAndNoCoreFile();
        watch.handToJob();
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(ends[1]);
    watch.jobStarted();
    // Should the text before the output ever grow, the job would wait on the full
    // pipe before it makes its temporary file, and the watch would wait with it
    // until its last resort: the test then fails.
    const bool made = watch.waitForTemporary();
    ::close(ends[0]);
    EXPECT_TRUE(made) << "the job made no temporary file with the pipe full after its first words";
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    if (testingWindowsBuild()) {
        // Windows has no SIGPIPE: the writes fail, the job goes on and completes
        // (a whole output is larger than its large stream).
        EXPECT_TRUE(WIFEXITED(status)) << "wait status " << status;
        EXPECT_GT(std::filesystem::file_size(folder / "out.pdf"), largeStreamBytes);
    } else {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << "wait status " << status;
        EXPECT_EQ(oldContent, readFile(folder / "out.pdf"));
    }
    EXPECT_EQ((std::vector<std::string>{"in.pdf", "out.pdf"}), folder.entries());
}

TEST(SafeOutput, AnInputThatChangesWhileItIsReadFailsTheJob) {
    TemporaryFolder folder;
    writeSparseLargePdf(folder / "in.pdf", largeStreamBytes);
    const std::string console = folder / "console.txt";
    const std::string command = shellLine(commandWith({"-iin.pdf", "-oout.pdf", "-p1"}));
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
