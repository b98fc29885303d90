// Files that put the reader's less common rules to work, made by
// tests/crafted/make-crafted.py: the word "endobj" where it ends no object, in
// pages, a font, the Info dictionary (one too large to hold in memory) and stream
// data; a hybrid file's own cross-reference stream listed off its place; a
// repeated /Rotate; sparse object numbers. Both kinds of output must hold every
// object whole, as qpdf reads them.
#include <nlohmann/json.hpp>

#include "E2eSupport.h"

namespace {

using namespace e2e;

std::string craftedFile(const std::string& name) { return std::string(FOLIOTURN_CRAFTED_SET) + "/" + name + ".pdf"; }

struct CraftedCase {
    const char* name;
    std::vector<std::string> options;
    std::string rotations;  // each page's own /Rotate afterwards (see isRotatedCopy)
};
void PrintTo(const CraftedCase& c, std::ostream* out) { *out << c.name; }

// Each page's content as qpdf decodes it: the text the generator gave that page.
testing::AssertionResult showsItsOwnContent(const std::string& pdf, size_t pageCount) {
    const auto pages = qpdfPages(pdf);
    if (!pages) return testing::AssertionFailure() << "qpdf cannot read " << pdf;
    if (pages->size() != pageCount) return testing::AssertionFailure() << pages->size() << " pages in " << pdf;
    for (size_t i = 0; i < pages->size(); ++i) {
        const std::string expected = "(page " + std::to_string(i + 1) + ") Tj";
        if ((*pages)[i].contents.find(expected) == std::string::npos)
            return testing::AssertionFailure() << "page " << i + 1 << " shows: " << (*pages)[i].contents;
    }
    return testing::AssertionSuccess();
}

class EndobjWord : public testing::TestWithParam<CraftedCase> {};

// Before the fix the first such word cut the page (or the Info dictionary) short:
// qpdf read the object as null and the job still said "Done.".
TEST_P(EndobjWord, EndsNoObject) {
    const CraftedCase& c = GetParam();
    TemporaryFolder folder;
    const std::string input = craftedFile(c.name), output = folder / "out.pdf";
    std::vector<std::string> options = {"-pall", "-r270"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    const ProcessResult run = runJob(input, output, options);
    EXPECT_EQ(banner + jobDone(input, output, 270, "1-4"), run.output);
    ASSERT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(input, output, c.rotations));
    EXPECT_TRUE(showsItsOwnContent(output, 4));
}

INSTANTIATE_TEST_SUITE_P(CraftedFiles, EndobjWord,
                         testing::Values(CraftedCase{"endobj-words", {}, "270 270 270 270"},
                                         CraftedCase{"endobj-words", {"-incremental"}, "270 270 270 270"},
                                         CraftedCase{"endobj-large", {}, "270 270 270 270"},
                                         CraftedCase{"endobj-large", {"-incremental"}, "270 270 270 270"},
                                         CraftedCase{"endobj-xrefstream", {}, "270 270 270 270"},
                                         CraftedCase{"endobj-xrefstream", {"-incremental"}, "270 270 270 270"}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name + (info.param.options.empty() ? "" : "_incremental");
                         });

}  // namespace

namespace {

// A hybrid file's own cross-reference stream, listed in use at an offset a few
// bytes off, is the file's bookkeeping: losing it loses nothing, and no warning
// says otherwise. A real object that cannot be read is still named.
TEST(UnreadableObjects, OnlyRealObjectsAreReported) {
    TemporaryFolder folder;
    const std::string sound = craftedFile("hybrid-offset"), lost = craftedFile("hybrid-lost");
    const std::string output = folder / "out.pdf";
    EXPECT_EQ(banner + jobDone(sound, output, 90, "1-2"), runJob(sound, output, {"-pall", "-r90"}).output);
    EXPECT_TRUE(qpdfCheckClean(output));
    EXPECT_EQ(banner + jobHead(lost, output, 90, "1-2") +
                  "\nWarning: 1 object that the cross-reference lists in use could not be read and was left out: 9"
                  "\nDone.\n",
              runJob(lost, output, {"-pall", "-r90"}).output);
    EXPECT_TRUE(qpdfCheckClean(output));
}

}  // namespace

namespace {

// The /Rotate of object `number` as qpdf reads it (the last of repeated keys),
// warnings allowed: qpdf warns of the repeated key. Null when qpdf cannot read it.
nlohmann::json qpdfRotate(const std::string& pdf, int number) {
    const ProcessResult shown = runProcess({"qpdf", "--json=2", "--json-key=qpdf", pdf});
    const nlohmann::json document = nlohmann::json::parse(shown.output, nullptr, false);
    if ((shown.exitCode != 0 && shown.exitCode != 3) || document.is_discarded()) return nullptr;
    const nlohmann::json& object = document["qpdf"][1]["obj:" + std::to_string(number) + " 0 R"]["value"];
    return object.is_object() && object.contains("/Rotate") ? object["/Rotate"] : nlohmann::json();
}

// Readers show the last of two /Rotate keys (0, then 180): every key gets the
// value written, and -force starts from the last.
TEST(RepeatedRotate, EveryKeyGetsTheValueAndTheLastCounts) {
    const std::string input = craftedFile("rotate-twice");
    const struct {
        int degrees;
        std::vector<std::string> options;
        bool incremental;
        long shown;
    } cases[] = {
        {90, {"-p1", "-r90"}, false, 90},
        {90, {"-p1", "-r90", "-incremental"}, true, 90},
        {90, {"-p1", "-r90", "-force"}, false, 270},
        {0, {"-p1", "-r0", "-incremental"}, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.back());
        TemporaryFolder folder;
        const std::string output = folder / "out.pdf";
        EXPECT_EQ(banner + jobDone(input, output, c.degrees, "1"), runJob(input, output, c.options).output);
        const nlohmann::json shown = qpdfRotate(output, 3);
        ASSERT_TRUE(shown.is_number_integer()) << shown;
        EXPECT_EQ(c.shown, (shown.get<long>() % 360 + 360) % 360);
        EXPECT_TRUE(qpdfRotate(output, 4).is_null());
        // No old value stays where a reader might still see it.
        const std::string written = readFile(output).substr(c.incremental ? readFile(input).size() : 0);
        EXPECT_EQ(std::string::npos, written.find("/Rotate 180")) << written;
        if (c.shown != 0) {
            EXPECT_EQ(std::string::npos, written.find("/Rotate 0")) << written;
        }
    }
}

}  // namespace

namespace {

// The input is opened once: raw reads and the document share the handle, so a
// file replaced under the name between two opens cannot mix two files' bytes.
// strace counts the opens of the input's name.
TEST(InputFile, IsOpenedOnce) {
    if (testingWindowsBuild()) GTEST_SKIP() << "strace follows POSIX processes only";
    if (runProcess({"strace", "-V"}).exitCode != 0) GTEST_SKIP() << "strace is not installed (scripts/install-deps.sh)";
    TemporaryFolder folder;
    const std::string input = folder / "in.pdf", output = folder / "out.pdf", log = folder / "opens.txt";
    writeFile(input, readFile(craftedFile("endobj-words")));
    std::vector<std::string> command = {"strace", "-f", "-qq", "-e", "trace=open,openat,openat2", "-o", log};
    const std::vector<std::string> program = programUnderTest(FOLIOTURN_PROGRAM);
    command.insert(command.end(), program.begin(), program.end());
    command.insert(command.end(), {"-i" + input, "-o" + output, "-pall", "-r90"});
    const ProcessResult run = runProcess(command);
    EXPECT_EQ(banner + jobDone(input, output, 90, "1-4"), run.output);
    size_t opens = 0;
    for (size_t at = readFile(log).find("\"" + input + "\""); at != std::string::npos;
         at = readFile(log).find("\"" + input + "\"", at + 1))
        ++opens;
    EXPECT_EQ(1u, opens) << readFile(log);
}

}  // namespace

namespace {

// The last check before anything is replaced: an object whose end no reader
// finds (a string that nothing closes) fails the job with a message of its own,
// and the destination stays as it was.
TEST(OutputCheck, AnObjectWithoutAnEndFailsTheJobAndReplacesNothing) {
    TemporaryFolder folder;
    const std::string input = craftedFile("unended-string"), output = folder / "out.pdf";
    writeFile(output, "what stood there before");
    EXPECT_EQ(
        banner + jobHead(input, output, 90, "1-1") + "\nOutput check failed: object 5 has no end that a reader finds\n",
        runJob(input, output, {"-pall", "-r90"}).output);
    EXPECT_EQ("what stood there before", readFile(output));
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

}  // namespace

namespace {

// A few dozen objects numbered up to 156,341 through /Index in a small file: the
// bound counts the entries listed, not the highest number.
TEST(SparseNumbers, AreReadAsListed) {
    const std::string input = craftedFile("sparse-index");
    for (const std::vector<std::string>& extra : {std::vector<std::string>{}, {"-incremental"}}) {
        TemporaryFolder folder;
        const std::string output = folder / "out.pdf";
        std::vector<std::string> options = {"-pall", "-r90"};
        options.insert(options.end(), extra.begin(), extra.end());
        EXPECT_EQ(banner + jobDone(input, output, 90, "1-2"), runJob(input, output, options).output);
        EXPECT_TRUE(qpdfCheckClean(output));
        EXPECT_TRUE(isRotatedCopy(input, output, "90 90"));
    }
}

// Objects numbered near 5,000,000 and 100,000,000 in files of under a kilobyte,
// listed by a stream's /Index and by a classic table's subsections: both outputs
// hold every object, and the full rewrite's table lists the numbers present in
// subsections instead of a hundred million lines.
TEST(SparseNumbers, FarBeyondTheFileSizeAreReadAsListed) {
    for (const char* name : {"sparse-far-stream", "sparse-far-table"}) {
        const std::string input = craftedFile(name);
        for (const bool incremental : {false, true}) {
            TemporaryFolder folder;
            const std::string output = folder / "out.pdf";
            std::vector<std::string> options = {"-pall", "-r90"};
            if (incremental) options.push_back("-incremental");
            EXPECT_EQ(banner + jobDone(input, output, 90, "1-2"), runJob(input, output, options).output) << name;
            EXPECT_TRUE(qpdfCheckClean(output)) << name;
            EXPECT_TRUE(isRotatedCopy(input, output, "90 90")) << name;
            EXPECT_LT(readFile(output).size(), readFile(input).size() + 1024)
                << name << (incremental ? " -incremental" : "");
        }
    }
}

}  // namespace
