// Runs the rotation job on arbitrary bytes. The first byte picks two of the
// argument sets below, whether the output replaces the input and whether the jobs
// append an incremental update; the rest is the input file. Invariant: a failed
// job leaves no output (and an untouched input), a successful one leaves exactly
// its output, and an incremental one's output begins with every byte of the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzWorkspace.h"
#include "app/CommandLine.h"
#include "job/PdfRotate.h"
#include "model/PdfException.h"

namespace {

using namespace fuzzing;

// Two of the sets ask for -repair, which rebuilds a cross-reference it cannot use.
const std::vector<std::vector<std::string>> argumentSets = {
    {"-pall", "-r90"},           {"-podd", "-r180", "-force"},  {"-p1,3-4", "-r270"},
    {"-plasthalf", "-repair"},   {"-peven", "-r-90", "-force"}, {"-pfirsthalf", "-r180"},
    {"-p2-3", "-r90", "-force"}, {"-r450", "-repair"},
};

// One job; true when it succeeded. Anything but the program's own exception is a finding.
bool runJob(const std::string& input, const std::string& output, const std::vector<std::string>& extra) {
    std::vector<std::string> texts = {"folioturn", "-i" + input, "-o" + output};
    texts.insert(texts.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    CPdfRotate job;
    try {
        job.run(parseJobOptions(static_cast<int>(texts.size()), argv.data()));
        return true;
    } catch (const CPdfException&) {
        return false;
    }
}

void checkOneJob(std::string_view bytes, std::vector<std::string> extra, bool inPlace, bool incremental) {
    const fs::path input = workspace() / "in.pdf";
    const fs::path output = inPlace ? input : workspace() / "out.pdf";
    clearWorkspace();
    writeFile(input, bytes);
    if (incremental) extra.push_back("-incremental");
    const bool succeeded = runJob(input.string(), output.string(), extra);
    require(!hasStrayTemporary(), "a temporary output was left behind");
    if (succeeded && incremental) require(readFile(output).starts_with(bytes), "an update lost bytes of its input");
    if (inPlace) {
        if (!succeeded) require(readFile(input) == bytes, "a failed in-place job changed its input");
        return;
    }
    require(fs::exists(output) == succeeded, succeeded ? "no output after success" : "output left after failure");
    fs::remove(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t first = choice & 7, second = (choice >> 3) & 7;
    const bool inPlace = (choice & 0x40) != 0, incremental = (choice & 0x80) != 0;
    checkOneJob(bytes, argumentSets[first], false, incremental);
    if (second != first) checkOneJob(bytes, argumentSets[second], inPlace, incremental);
    return 0;
}
