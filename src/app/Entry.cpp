#include "app/Entry.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ConsoleReporter.h"
#include "app/ExtendedOptions.h"
#include "app/Failure.h"
#include "app/InfoReporter.h"
#include "app/InputSpool.h"
#include "app/Version.h"
#include "job/PdfRotate.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

namespace {

void print(const char* text) { printText(text); }

void printBanner() {
    print("\r\nFolioturn v" FOLIOTURN_VERSION "  (c) the Folioturn developers, free to use and share\r\n");
    print("Website: https://folioturn.example.org\r\n");
    print("Email: support@folioturn.example.org\r\n\r\n");
}

constexpr const char* usageLines[] = {
    "Parameters:\n",
    "-i<filename> - input file name\n",
    "-l<filename> - list file name\n",
    "-o<filename> - output file name\n",
    "-f<folder> - output folder name\n",
    "-p<pages array> - pages list for rotation, e.g. 1,3,5-7   or -pall or -podd or -peven\n",
    "-r<degree> - rotation degree, can be any of the following: 0, 90, 180, 270\n",
    "-force - forces rotation on existing roation if already set in pdf document, e.g. -r180 if already 180 then "
    "rotates to 0\n",
    "-pfirsthalf - rotate first half of pdf -pfirsthalf of 10 pages will rotate pages 1-5\n",
    "-plasthalf - rotate first half of pdf -plasthalf of 10 pages will rotate pages 6-10\n",
    "\r\nExample usage:-\r\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -p5-10,15-20,55 -r0\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -p1-10 -r180\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -podd -r90\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -peven -r180\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -plasthalf -r180\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -pall -r270\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -r290\n",
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -r180 -force\n",
    "\nsee examples folder for all parameters usage in test.bat, list.bat\r\n",
    "NOTE: first 2 parameters have to be -i -o or -i -f\r\n",
    "If your filename has spaces in it then use double quotes around the filename, e.g. \"c:\\my test\\test "
    "file.pdf\"\n",
    "\nWildcards * are not permitted, if you want to process many files then do: dir /B *.pdf > list.txt, then "
    "Folioturn -ilist.txt -ooutputfile.pdf -p1,3,15-20,55 -r180\n",
    "\r\n",
    "\r\n",
};

void printUsage() {
    printBanner();
    for (const char* line : usageLines) print(line);
}

// --help and --version are options of their own only as the sole argument. With
// other arguments they are read as before (a first argument that is not -i), so
// no command that worked before changes its meaning.
bool runSoleOption(const char* argument) {
    if (std::strcmp(argument, "--help") == 0) {
        printUsage();
        extended::printOptionLines();
        return true;
    }
    if (std::strcmp(argument, "--version") == 0) {
        extended::printVersion();
        return true;
    }
    return false;
}

bool hasWildcard(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strchr(argv[i], '*')) return true;
    return false;
}

// The arguments after the first two are read once for the whole run: what is
// ignored or looks mistyped is said once, also for a list of many files.
JobOptions readLaterOptions(int argc, char** argv) {
    JobOptions options;
    std::vector<std::string> warnings;
    parseLaterOptions(argc, argv, options, &warnings);
    for (const std::string& warning : warnings) printErrorLine("warning", warning);
    return options;
}

// "-o-": standard output carries the PDF, and the console text goes to standard error.
bool writesToStandardOutput(int argc, char** argv) {
    return argc > 2 && std::strcmp(argv[2], (std::string("-o") + platform::standardStreamName).c_str()) == 0;
}

RunStatus runSingleJob(JobOptions options, int argc, char** argv) {
    parseInputAndOutput(argc, argv, options);
    // Made before the job and gone after it: the job has closed its input by then.
    std::optional<InputSpool> spool;
    if (options.inputName == platform::standardStreamName) options.inputPath = spool.emplace().path();
    return runOneJob(options, "");
}

// A refused list gives RunStatus::Failed, a failed job the status its failure gives.
RunStatus runGuarded(int argc, char** argv) {
    bool repairGiven = false;
    try {
        const JobOptions options = readLaterOptions(argc, argv);
        repairGiven = options.repair;
        const char* first = argv[1];
        const char* listName = std::strlen(first) < 2 ? "" : first + 2;
        RunStatus listStatus = RunStatus::Done;
        const int listResult = processFileList(listName, argc > 2 ? argv[2] : nullptr, options, listStatus);
        if (listResult == 1) return RunStatus::Failed;
        if (listResult == 2) return listStatus;
        return runSingleJob(options, argc, argv);
    } catch (...) {
        return printCurrentFailure(repairGiven);
    }
}

}  // namespace

RunStatus runOneJob(const JobOptions& options, const std::string& listPosition) {
    std::unique_ptr<ConsoleReporter> console = options.info ? std::make_unique<InfoReporter>(options.json, listPosition)
                                                            : std::make_unique<ConsoleReporter>(listPosition);
    CPdfRotate job(*console);
    job.run(options);
    print("\nDone.\n");
    flushText();
    return job.leftObjectsOut() ? RunStatus::LeftObjectsOut : RunStatus::Done;
}

int runFolioturn(int argc, char** argv) {
    if (argc <= 1) {
        printUsage();
        return 0;
    }
    if (argc == 2 && runSoleOption(argv[1])) {
        std::fflush(stdout);
        return 0;
    }
    // Standard output carries a PDF, or the JSON of -info.
    if (writesToStandardOutput(argc, argv) || asksForJsonInfo(argc, argv)) sendTextToStandardError();
    if (argc > 2 && hasWildcard(argc, argv)) {
        print(message::wildcardRefused);
        return static_cast<int>(RunStatus::Wildcard);
    }
    printBanner();
    const RunStatus status = runGuarded(argc, argv);
    clearProgress();
    flushText();
    return static_cast<int>(status);
}
