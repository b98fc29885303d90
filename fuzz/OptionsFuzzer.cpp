// Runs the whole program on argument vectors and list files made from arbitrary
// bytes. Every name points into the private workspace, which is also the working
// folder, and no list line can leave it. Invariants: the exit code is 1 exactly
// for a wildcard among two or more arguments, and no temporary output remains.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
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
const char* const laterOptions[] = {"-pall", "-podd",  "-peven", "-pfirsthalf", "-plasthalf", "-p",
                                    "-p1,3-4", "-p2-1", "-p0",   "-r90",        "-r-90",      "-r2147483648",
                                    "-force",  "-FORCE", "-o",   "-i",          "-p1 ,2",     "*"};

// A well-formed two-page file, its table computed rather than typed.
std::string tinyPdf() {
    const char* const objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Rotate 90 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t table = pdf.size();
    pdf += "xref\n0 5\n0000000000 65535 f \n";
    char entry[32];
    for (size_t offset : offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    return pdf + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
}

// List lines may hold only plain name characters: no separator, no line of dots,
// so that the folder, a separator and the line never lead out of the folder.
std::string safeList(std::string text) {
    if (text.size() > 512) text.resize(512);
    for (char& c : text)
        if (!std::strchr("abcxyzABC019._ -\r\n", c) || c == '\0') c = '_';
    size_t lineStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') continue;
        if (i > lineStart && text.find_first_not_of('.', lineStart) >= i) text[lineStart] = '_';
        lineStart = i + 1;
    }
    return text;
}

void prepareWorkspace(const std::string& list) {
    static const std::string tiny = tinyPdf();
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
        texts.push_back(in.ConsumeBool() ? in.PickValueInArray(laterOptions) : in.ConsumeRandomLengthString(24).c_str());
    prepareWorkspace(safeList(in.ConsumeRemainingBytesAsString()));

    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    const int exitCode = runFolioturn(static_cast<int>(texts.size()), argv.data());
    const bool refused = texts.size() > 2 && hasWildcard(texts);
    require(exitCode == (refused ? 1 : 0), "wrong exit code");
    require(!hasStrayTemporary(), "a temporary output was left behind");
    return 0;
}
