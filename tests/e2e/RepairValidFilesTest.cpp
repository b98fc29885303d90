// -repair on files that need no repair changes nothing: the console text and the
// output bytes are those of the same run without it, for single jobs and for list
// runs.
#include <filesystem>
#include <set>

#include "E2eSupport.h"

namespace {

using namespace e2e;

// The fixtures the program rotates today (and one it refuses, as it must go on
// refusing), the examples, and the sound files of the damaged set.
const std::vector<std::string> validFixtures = {
    "gs.pdf",        "hybrid-free.pdf", "hybrid.pdf",       "incremental.pdf",   "junk-header.pdf",
    "line-ends.pdf", "linearized.pdf",  "mutool-clean.pdf", "mutool-create.pdf", "nodes.pdf",
    "objstm.pdf",    "qpdf-qdf.pdf",    "rotations.pdf",    "encrypted.pdf"};
// Fixtures that are damaged, which -repair may well read otherwise.
const std::set<std::string> damagedFixtures = {"damaged-count.pdf", "damaged-truncated.pdf", "overcount.pdf"};

std::vector<std::string> validFiles() {
    std::vector<std::string> files;
    for (const std::string& name : validFixtures) files.push_back(fixture(name));
    for (const char* name : {"sample.pdf", "sample-short.pdf"}) files.push_back(example(name));
    for (const char* name :
         {"sound-classic", "sound-xref-stream", "sound-hybrid", "sound-updated", "sound-updated-xref-stream"})
        files.push_back(repairSetFile(name));
    return files;
}

// One job in a folder of its own, writing "out.pdf" there, so that two runs print the same text.
struct JobResult {
    ProcessResult run;
    bool wroteOutput;
    std::string output;
};
JobResult runInFolder(const std::string& input, std::vector<std::string> options) {
    TemporaryFolder folder;
    options.insert(options.begin(), {"-i" + input, "-oout.pdf"});
    JobResult result{runFolioturn(options, folder.path()), exists(folder / "out.pdf"), ""};
    result.output = readFile(folder / "out.pdf");
    return result;
}

TEST(RepairOnValidFiles, EveryFixtureIsListedAsValidOrDamaged) {
    std::set<std::string> listed(damagedFixtures);
    listed.insert(validFixtures.begin(), validFixtures.end());
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(FOLIOTURN_TEST_DATA))
        if (entry.path().extension() == ".pdf") present.insert(entry.path().filename());
    EXPECT_EQ(listed, present);
}

TEST(RepairOnValidFiles, TheValidFilesRotateTodayButTheEncryptedOne) {
    for (const std::string& input : validFiles()) {
        SCOPED_TRACE(input);
        const JobResult job = runInFolder(input, {"-pall", "-r90"});
        const bool encrypted = input == fixture("encrypted.pdf");
        EXPECT_EQ(!encrypted, job.run.output.ends_with("\nDone.\n"))
            << "exit code " << job.run.exitCode << ", signal " << job.run.signal << ", printed:\n"
            << job.run.output;
        EXPECT_EQ(!encrypted, job.wroteOutput);
    }
}

// -repair last, and -repair among the others (before a -r, which it must not be taken for).
const std::vector<std::vector<std::string>> optionSets = {{"-pall", "-r90", "-repair"},
                                                          {"-peven", "-repair", "-r270", "-force"},
                                                          {"-podd", "-r90", "-incremental", "-repair"}};

TEST(RepairOnValidFiles, JobsPrintAndWriteTheSameAsWithoutRepair) {
    for (const std::string& input : validFiles())
        for (const std::vector<std::string>& withRepair : optionSets) {
            std::vector<std::string> without = withRepair;
            std::erase(without, "-repair");
            SCOPED_TRACE(input + " " + testing::PrintToString(withRepair));
            const JobResult plain = runInFolder(input, without), repairing = runInFolder(input, withRepair);
            EXPECT_EQ(plain.run.output, repairing.run.output);
            EXPECT_EQ(plain.run.exitCode, repairing.run.exitCode);
            EXPECT_EQ(plain.wroteOutput, repairing.wroteOutput);
            EXPECT_TRUE(plain.output == repairing.output) << "the outputs differ";
        }
}

// A list of every valid file that rotates, run into a folder "out" with and without -repair.
TEST(RepairOnValidFiles, ListRunsPrintAndWriteTheSameAsWithoutRepair) {
    std::vector<std::string> names;
    TemporaryFolder plain, repairing;
    for (const std::string& input : validFiles()) {
        if (input == fixture("encrypted.pdf")) continue;  // it would end the list
        names.push_back(std::filesystem::path(input).filename());
        for (const TemporaryFolder* folder : {&plain, &repairing}) writeFile(*folder / names.back(), readFile(input));
    }
    std::string list;
    for (const std::string& name : names) list += name + "\n";
    for (const TemporaryFolder* folder : {&plain, &repairing}) {
        writeFile(*folder / "list.txt", list);
        std::filesystem::create_directory(*folder / "out");
    }

    const ProcessResult without = runFolioturn({"-ilist.txt", "-fout", "-podd", "-r180"}, plain.path());
    const ProcessResult with = runFolioturn({"-ilist.txt", "-fout", "-podd", "-r180", "-repair"}, repairing.path());
    EXPECT_EQ(without.output, with.output);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(exists(plain / ("out/" + name)));
        EXPECT_TRUE(readFile(plain / ("out/" + name)) == readFile(repairing / ("out/" + name))) << "the outputs differ";
    }
}

}  // namespace
