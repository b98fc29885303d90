// Batch runs: one rotation job per line of a plain-text list of input files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/Entry.h"
#include "app/ConsoleReporter.h"
#include "app/Failure.h"
#include "app/ListReader.h"
#include "job/JobOptions.h"
#include "job/PdfRotate.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    const size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

// A list line names a file below the current folder, and its output goes to the
// same place below the output folder: nothing may lead out of it.
void refuseEscapingLine(const std::string& line) {
    if (platform::isAbsolutePath(line) || platform::hasParentComponent(line))
        throw CPdfException(FailureKind::Input, message::listLineEscapes(line));
}

// The list file, or null when it cannot be read, said on the console. A folder
// would read as an empty list on some systems: it is named as what it is.
FILE* openList(const char* listName) {
    const bool folder = platform::isFolder(listName);
    FILE* list = folder ? nullptr : platform::openFile(listName, "rb");
    if (!list) printText(message::listOpenError(listName, folder));
    return list;
}

// The lines of the list, read as the run reads them; the list is then read again from its first line.
size_t countLines(ListReader& reader) {
    std::string line;
    bool tooLong = false;
    size_t lines = 0;
    while (reader.next(line, tooLong)) ++lines;
    reader.restart();
    return lines;
}

// A name ends at its first NUL byte, as it would on a command line.
std::string nameOf(const std::string& text) { return std::string(text.c_str()); }

// One line's job, output in the same place below `folder`; with -info, which
// writes nothing, the line may name any file. Throws what the job throws.
RunStatus runListedJob(const std::string& line, bool tooLong, const std::string& folder, const std::string& position,
                       const JobOptions& shared) {
    if (tooLong) throw CPdfException(FailureKind::Input, message::listLineTooLong(platform::longestPath()));
    JobOptions options = shared;
    options.inputName = nameOf(line);
    if (!options.info) {
        refuseEscapingLine(line);
        const std::string subfolder = platform::folderOf(line);
        if (subfolder != ".") platform::makeDirectories(folder + platform::pathSeparator + subfolder);
        options.outputName = nameOf(folder + platform::pathSeparator + line);
    }
    return runOneJob(options, position);
}

// A list run writes into the folder that argument 2 names ("-f"); with -info in
// its place it writes nothing, and the folder is "". None when the run cannot go
// on (said on the console).
std::optional<std::string> outputFolder(const char* folderArgument, const JobOptions& options) {
    if (options.info) return std::string();
    if (!folderArgument || std::strncmp(folderArgument, "-f", 2) != 0) {
        printText(message::outputFolderMissing);
        if (folderArgument && folderArgument == std::string("-o") + platform::standardStreamName)
            printErrorLine("hint", "a list run writes into the folder that -f names; -o- is for a single file");
        return std::nullopt;
    }
    const std::string folder = folderArgument + 2;
    if (folder.empty()) {
        printText(message::outputFolderMissing);
        return std::nullopt;
    }
    platform::makeDirectory(folder.c_str());
    return folder;
}

}  // namespace

int processFileList(const char* listName, const char* folderArgument, const JobOptions& options, RunStatus& status) {
    if (!endsWith(listName, ".txt")) return 0;
    const std::optional<std::string> folder = outputFolder(folderArgument, options);
    if (!folder) return 1;
    FILE* list = openList(listName);
    if (!list) return 1;
    std::unique_ptr<FILE, int (*)(FILE*)> closer(list, std::fclose);
    // Counting the lines costs a second read of the list: only for the progress line.
    ListReader reader(list);
    const size_t lines = progressShown() ? countLines(reader) : 0;
    std::string line;
    bool tooLong = false;
    size_t succeeded = 0, failed = 0;
    while (reader.next(line, tooLong)) {
        const size_t position = succeeded + failed + 1;
        const std::string progress =
            lines ? "file " + std::to_string(position) + " of " + std::to_string(std::max(position, lines)) : "";
        try {
            status = worse(status, runListedJob(line, tooLong, *folder, progress, options));
            ++succeeded;
        } catch (...) {
            if (!options.keepGoing) throw;
            // With -continue the failure is told as it would end the run, on a line
            // of its own, and the next file follows.
            status = worse(status, printCurrentFailure(options.repair, true));
            ++failed;
        }
    }
    if (options.keepGoing)
        printText((options.info ? "Files read: " : "Files rotated: ") + std::to_string(succeeded) +
                  ", failed: " + std::to_string(failed) + "\n");
    flushText();
    return 2;
}
