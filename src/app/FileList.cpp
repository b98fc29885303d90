// Batch runs: one rotation job per line of a plain-text list of input files.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/Entry.h"
#include "app/ConsoleReporter.h"
#include "job/PdfRotate.h"
#include "platform/Platform.h"

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    const size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

// One whole line of any length, without its line end; false at the end of the file.
bool readLine(FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(file)) line.push_back(static_cast<char>(c));
    const size_t cut = line.find_first_of("\r\n");
    if (cut != std::string::npos) line.resize(cut);
    return true;
}

// Restores the argument slots that a list run borrows, on every path.
class BorrowedSlots {
public:
    explicit BorrowedSlots(char** argv) : argv(argv), input(argv[1]), output(argv[2]) {}
    ~BorrowedSlots() {
        argv[1] = input;
        argv[2] = output;
    }

private:
    char** argv;
    char* input;
    char* output;
};

}  // namespace

int processFileList(const char* listName, const char* folderArgument, int argc, char** argv) {
    if (!endsWith(listName, ".txt")) return 0;
    if (!folderArgument || std::strncmp(folderArgument, "-f", 2) != 0) {
        printText("please specify -f for output folder, e.g. -fc:\\test\n");
        return 1;
    }
    const std::string folder = folderArgument + 2;
    platform::makeDirectory(folder.c_str());
    FILE* list = std::fopen(listName, "rb");
    if (!list) {
        printText("Unable to open file list: '");
        printText(listName);
        printText("'\r\n");
        return 1;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> closer(list, std::fclose);
    BorrowedSlots slots(argv);
    std::string line;
    while (readLine(list, line)) {
        std::string inputArgument = "-i" + line;
        std::string outputArgument = "-o" + folder + platform::pathSeparator + line;
        argv[1] = inputArgument.data();
        argv[2] = outputArgument.data();
        ConsoleReporter console;
        auto job = std::make_unique<CPdfRotate>(console);
        job->run(argc, argv);
        printText("\nDone.\n");
    }
    return 2;
}
