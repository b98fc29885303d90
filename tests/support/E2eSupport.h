#pragma once
// Helpers for the end-to-end tests: run the program as a process, temporary
// folders, files, and the console texts that every job prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/Version.h"

namespace e2e {

struct ProcessResult {
    std::string output;  // the exact bytes of standard output
    std::string errors;  // standard error, unless it was merged into the output
    int exitCode = -1;   // -1 when the process did not exit normally
    int signal = 0;      // the signal that ended it, if one did
};

// Standard error as the POSIX build writes it: the Windows C runtime writes "\r\n".
inline std::string errorsOf(const ProcessResult& run) {
    std::string errors = run.errors;
    std::erase(errors, '\r');
    return errors;
}

// The CPU seconds that a process run by a test may use unless the test says otherwise.
// Tests bound work, not time: a busy machine makes a process wait, not work more,
// and a process caught in a loop spends its seconds and is stopped with SIGXCPU.
// Generous, for programs built with the sanitizers.
constexpr unsigned defaultCpuSeconds = 120;

// Runs `argv` (argv[0] is looked up in PATH) in `workingDirectory` (empty: the
// current one), without a shell, with nothing on standard input and at most
// `cpuSeconds` of CPU time. With `mergeErrors` standard error is captured too.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& workingDirectory = "",
                         bool mergeErrors = false, unsigned cpuSeconds = defaultCpuSeconds);

// Runs `argv` as runProcess does, with `input` written to its standard input
// through a pipe, and with `environment` ("NAME=value") added to its own.
ProcessResult runWithInput(const std::vector<std::string>& argv, const std::string& input,
                           const std::string& workingDirectory = "", const std::vector<std::string>& environment = {});

// The command that runs the program under test: `builtProgram`, or the program that
// FOLIOTURN_PROGRAM_UNDER_TEST names, started through FOLIOTURN_LAUNCHER when that
// is set (words split at spaces). `make test-windows` gives folioturn.exe and "wine".
std::vector<std::string> programUnderTest(const std::string& builtProgram);
// Runs `command` as runProcess does. When a launcher is set, a run that printed nothing
// and failed is taken for the launcher's failure and run again, at most twice, with a
// line on standard error: the program prints its banner on every run, so only the
// launcher (wine starting a process) can end a run before that.
ProcessResult runThroughLauncher(const std::vector<std::string>& command, const std::string& workingDirectory);
// True when the program under test is a Windows build (a .exe): list runs join the
// folder and the name with "\" there, and some POSIX notions have no counterpart.
bool testingWindowsBuild();
// The separator that list runs put between the output folder and the name.
inline std::string listSeparator() { return testingWindowsBuild() ? "\\" : "/"; }

#ifdef FOLIOTURN_PROGRAM
inline ProcessResult runFolioturn(const std::vector<std::string>& arguments, const std::string& workingDirectory = "") {
    std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runThroughLauncher(command, workingDirectory);
}
// The program under test with `input` on its standard input (see runWithInput),
// run again when it printed nothing at all, as runThroughLauncher does.
ProcessResult runFolioturnWithInput(const std::vector<std::string>& arguments, const std::string& input,
                                    const std::string& workingDirectory = "",
                                    const std::vector<std::string>& environment = {});
// Runs one job: -iINPUT -oOUTPUT and the options.
inline ProcessResult runJob(const std::string& input, const std::string& output, std::vector<std::string> options) {
    options.insert(options.begin(), {"-i" + input, "-o" + output});
    return runFolioturn(options);
}
inline std::string fixture(const std::string& name) { return std::string(FOLIOTURN_TEST_DATA) + "/" + name; }
inline std::string example(const std::string& name) { return std::string(FOLIOTURN_EXAMPLES) + "/" + name; }
#endif

#ifdef FOLIOTURN_REPAIR_SET
// A file that tests/repair/make-damaged.py made in the build tree, by its name without ".pdf".
inline std::string repairSetFile(const std::string& name) {
    return std::string(FOLIOTURN_REPAIR_SET) + "/" + name + ".pdf";
}
#endif

// Names parameterised tests after their case's `name`.
inline auto caseName = [](const auto& info) { return std::string(info.param.name); };

// A fresh folder, removed with everything in it when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return folder; }
    std::string operator/(const std::string& name) const { return folder + "/" + name; }
    // The names in the folder, sorted.
    std::vector<std::string> entries() const { return entriesOf(folder); }
    // The names in any folder, sorted.
    static std::vector<std::string> entriesOf(const std::string& path);

private:
    std::string folder;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);

// What every run but the wildcard refusal starts with. Inline, so that it is
// ready for the tests' own static tables.
inline const std::string banner =
    "\r\nFolioturn v" FOLIOTURN_VERSION
    "  (c) the Folioturn developers, free to use and share\r\n"
    "Website: https://folioturn.example.org\r\nEmail: support@folioturn.example.org\r\n\r\n";
// "Rotating file: IN to OUT, D Degrees, Pages: TEXT\nProcessing" and the dots.
std::string jobHead(const std::string& input, const std::string& output, int degrees, const std::string& pages,
                    int dots = 0);
inline std::string jobDone(const std::string& input, const std::string& output, int degrees, const std::string& pages,
                           int dots = 0) {
    return jobHead(input, output, degrees, pages, dots) + "\nDone.\n";
}

// qpdf --check: exit code 0 and no warning. With a password for encrypted files.
testing::AssertionResult qpdfCheckClean(const std::string& pdf, const std::string& password = "");

// Compares `output` with `input` as qpdf reads them: the same pages in the same
// order, every object (by number and generation; value and raw stream data)
// the same, apart from object streams and cross-reference streams and the
// top-level /Rotate of the rotated pages; and the trailer's /Root and /Info.
// `rotations` gives the own /Rotate of each page afterwards, as in "90 . -180":
// a token per page, "." for a page that stays as it was (so do pages past the end).
// The rotation each page shows as qpdf reads the file: its own /Rotate (an indirect
// value resolved), else the nearest one up its /Parent chain, else 0. Empty when
// qpdf cannot read the file.
std::vector<long> shownRotations(const std::string& pdf);

// Each page as qpdf reads it: the rotation it shows (as shownRotations gives it),
// and its media and crop boxes as written, resolved and inherited along /Parent
// (empty where there is none, or it is not four numbers). Nullopt when qpdf cannot
// read the file.
struct QpdfPageGeometry {
    long rotation = 0;
    std::vector<double> mediaBox, cropBox;
};
std::optional<std::vector<QpdfPageGeometry>> qpdfPageGeometry(const std::string& pdf, const std::string& password = "");

// Encrypted files are read with `password`, and compared by their decrypted values.
testing::AssertionResult isRotatedCopy(const std::string& input, const std::string& output,
                                       const std::string& rotations, const std::string& password = "");

// A page as qpdf reads it: its own /Rotate as JSON text ("90"; "null" when it has
// none), and the data of its content streams, decoded where qpdf can (every filter but the lossy image ones), joined.
struct QpdfPage {
    std::string rotate;
    std::string contents;
};
// The pages qpdf finds in `pdf`, repairing the file first if it must; nullopt when it cannot read it.
std::optional<std::vector<QpdfPage>> qpdfPages(const std::string& pdf);

}  // namespace e2e
