// Runs the whole program on argument vectors and list files made from arbitrary
// bytes. Every name is relative to the private workspace, which is the working
// folder, so nothing is written outside it. Invariants: the exit code is 1 exactly
// for a wildcard among two or more arguments, and no temporary output remains.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "FuzzWorkspace.h"
#include "app/Entry.h"

namespace {

using namespace fuzzing;

const char* const firstPrefixes[] = {"-i", "-l", "-o", "-f", "", "-"};
const char* const firstNames[] = {"list.txt", "tiny.pdf", "empty.pdf", "missing.pdf", "LIST.TXT",
                                  ".txt",     "tx",       "list.txt*", "%s%n.txt",    "%d.pdf"};
const char* const secondPrefixes[] = {"-o", "-f", "-i", "", "-F"};
const char* const secondNames[] = {"out.pdf", "outdir", "tiny.pdf", "missing/out.pdf", ".", "out dir", "%s%n"};
// No list line holds "..": the folder, a separator and the line stay in the folder.
const std::string listLines[] = {"tiny.pdf",  "empty.pdf", "missing.pdf",  "",         " tiny.pdf",
                                 "tiny.pdf ", "list.txt",  "sub/tiny.pdf", "%s%n.pdf", std::string(300, 'a')};
const char* const lineEnds[] = {"\n", "\r\n", "\r", ""};
const char* const laterOptions[] = {
    "-pall",       "-podd",        "-peven",     "-pfirsthalf",  "-plasthalf",
    "-p",          "-p1,3-4",      "-p2-1",      "-p0",          "-r90",
    "-r-90",       "-r2147483648", "-force",     "-FORCE",       "-o",
    "-i",          "-p1 ,2",       "*",          "-incremental", "-repair",
    "-REPAIR",     "-repairs",     "-p5-end:90", "-pr2",         "-podd:90,even:270",
    "-plandscape", "-pportrait:x", "-p1,,end",   "-pr0",         "-plandscape:90,portrait:0,1-r1:180"};

void prepareWorkspace(const std::string& list) {
    static const std::string tiny = readFile(FOLIOTURN_EXAMPLES "/sample.pdf");
    static const bool entered = ::chdir(workspace().c_str()) == 0;
    require(entered, "cannot enter the workspace");
    clearWorkspace();
    writeFile("tiny.pdf", tiny);
    writeFile("empty.pdf", "");
    writeFile("list.txt", list);
    writeFile(".txt", list);
}

bool hasWildcard(const std::vector<std::string>& texts) {
    for (size_t i = 1; i < texts.size(); ++i)
        if (texts[i].find('*') != std::string::npos) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int userArguments = in.ConsumeIntegralInRange(0, 6);
    std::vector<std::string> texts = {"folioturn"};
    if (userArguments >= 1)
        texts.push_back(std::string(in.PickValueInArray(firstPrefixes)) + in.PickValueInArray(firstNames));
    if (userArguments >= 2)
        texts.push_back(std::string(in.PickValueInArray(secondPrefixes)) + in.PickValueInArray(secondNames));
    for (int i = 2; i < userArguments; ++i)
        // Cut at a zero byte: the program sees the text only up to there.
        texts.push_back(in.ConsumeBool() ? in.PickValueInArray(laterOptions)
                                         : in.ConsumeRandomLengthString(24).c_str());
    std::string list;
    for (int lines = in.ConsumeIntegralInRange(0, 6); lines > 0; --lines)
        list += in.PickValueInArray(listLines) + in.PickValueInArray(lineEnds);
    prepareWorkspace(list);

    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    const int exitCode = runFolioturn(static_cast<int>(texts.size()), argv.data());
    const bool refused = texts.size() > 2 && hasWildcard(texts);
    require(refused ? exitCode == 1 : exitCode == 0 || exitCode == 2 || exitCode == 3, "wrong exit code");
    require(!hasStrayTemporary(), "a temporary output was left behind");
    return 0;
}
