// -compact: full rewrites that keep the input's object streams and write a compact
// cross-reference, judged through qpdf: sound, every object as the input's but the
// rotated pages' /Rotate, each page's content, the objects of object streams in
// object streams again with their text as the input held it, and no larger than
// the input.
#include <cstring>
#include <map>
#include <sstream>

#include "E2eSupport.h"
#include "EncryptedOutputs.h"
#include "PdfBuilder.h"
#include "QpdfLayout.h"

namespace {

using namespace e2e;

std::string objectStreamFile(const std::string& name) {
    return std::string(FOLIOTURN_OBJECT_STREAM_SET) + "/" + name + ".pdf";
}
std::string craftedFile(const std::string& name) { return std::string(FOLIOTURN_CRAFTED_SET) + "/" + name + ".pdf"; }
std::string encryptedFile(const std::string& name) {
    return std::string(FOLIOTURN_ENCRYPTED_SET) + "/" + name + ".pdf";
}

// What the issue that asked for -compact holds every output to: together no larger
// than the inputs, and none larger than 1.05 times its input and 2 KB.
testing::AssertionResult withinInputSize(const std::string& input, const std::string& output) {
    const size_t before = readFile(input).size(), after = readFile(output).size();
    if (after * 100 <= before * 105 + 2048 * 100) return testing::AssertionSuccess();
    return testing::AssertionFailure() << output << " is " << after << " bytes, its input " << before;
}

// Each page's rotation token ("90" or "."), by the page's object.
std::map<ObjectId, std::string> rotatedPages(const QpdfLayout& layout, const std::string& rotations) {
    std::map<ObjectId, std::string> rotated;
    std::istringstream tokens(rotations);
    std::string token;
    for (size_t i = 0; i < layout.pages.size() && tokens >> token; ++i)
        if (token != ".") rotated[layout.pages[i]] = token;
    return rotated;
}

// Every object that an object stream of the input holds is in one in the output,
// but the encryption dictionary, which none may hold; and its text there begins
// with its text in the input (the output parts each object from the next with a
// line end), unless it is a page that was rotated.
testing::AssertionResult keepsObjectStreams(const std::string& input, const std::string& output,
                                            const std::string& rotations, const std::string& password = "",
                                            int encryptionDictionary = 0) {
    const std::optional<QpdfLayout> before = readQpdfLayout(input, password), after = readQpdfLayout(output, password);
    if (!before || !after) return testing::AssertionFailure() << "qpdf cannot read the layout";
    const std::map<ObjectId, std::string> rotated = rotatedPages(*before, rotations);
    std::map<int, std::vector<std::string>> texts;  // by stream, as each is read
    const auto textOf = [&](const std::string& pdf, std::map<int, std::vector<std::string>>& cache,
                            const StoredPlace& place) -> std::string {
        auto found = cache.find(place.stream);
        if (found == cache.end())
            found = cache.emplace(place.stream, objectStreamTexts(pdf, place.stream, password)).first;
        return static_cast<size_t>(place.index) < found->second.size() ? found->second[place.index] : "(none)";
    };
    std::map<int, std::vector<std::string>> outputTexts;
    for (const auto& [id, place] : before->places) {
        if (!place.inObjectStream || before->objectStreams.count(place.stream) == 0) continue;
        const auto written = after->places.find(id);
        if (written == after->places.end())
            return testing::AssertionFailure() << "object " << id.first << " is missing";
        if (id.first == encryptionDictionary) {
            if (written->second.inObjectStream)
                return testing::AssertionFailure() << "the encryption dictionary is in an object stream";
            continue;
        }
        if (!written->second.inObjectStream)
            return testing::AssertionFailure() << "object " << id.first << " is no longer in an object stream";
        if (rotated.count(id)) continue;
        const std::string was = textOf(input, texts, place), is = textOf(output, outputTexts, written->second);
        if (!is.starts_with(was))
            return testing::AssertionFailure()
                   << "object " << id.first << " reads \"" << is << "\", was \"" << was << "\"";
    }
    return testing::AssertionSuccess();
}

// The pages' content as qpdf decodes it, the same in both files.
testing::AssertionResult sameContents(const std::string& input, const std::string& output) {
    const auto before = qpdfPages(input), after = qpdfPages(output);
    if (!before || !after || before->size() != after->size())
        return testing::AssertionFailure() << "qpdf reads different pages";
    for (size_t i = 0; i < before->size(); ++i)
        if ((*before)[i].contents != (*after)[i].contents)
            return testing::AssertionFailure() << "page " << i + 1 << " shows other content";
    return testing::AssertionSuccess();
}

// Everything a compact output of a file that is not encrypted must be, beside its console text.
void expectCompactCopy(const std::string& input, const std::string& output, const std::string& rotations) {
    EXPECT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(input, output, rotations));
    EXPECT_TRUE(sameContents(input, output));
    EXPECT_TRUE(keepsObjectStreams(input, output, rotations));
    EXPECT_TRUE(withinInputSize(input, output));
}

ProcessResult runCompact(const std::string& input, const std::string& output, std::vector<std::string> options) {
    options.push_back("-compact");
    return runJob(input, output, options);
}

// A file made by qpdf from the sample at test time, with object streams and the options given.
std::string qpdfMade(const TemporaryFolder& folder, const std::string& name, std::vector<std::string> options) {
    const std::string made = folder / name;
    options.insert(options.begin(), {"qpdf", "--allow-weak-crypto", "--object-streams=generate"});
    options.insert(options.end(), {"--", example("sample.pdf"), made});
    const ProcessResult run = runProcess(options, "", true);
    EXPECT_EQ(0, run.exitCode) << run.output;
    return made;
}

struct LayoutCase {
    std::string name;
    std::string input;
    std::vector<std::string> options;  // -p and -r
    std::string pages;                 // as the console line gives them
    std::string rotations;
};

std::string repeated(const std::string& token, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += token + " ";
    return text;
}

std::vector<LayoutCase> layoutCases() {
    return {
        {"SeveralStreams", objectStreamFile("several-streams"), {"-p1-3", "-r90"}, "1-3", "90 90 90"},
        {"ExtendsChain", objectStreamFile("extends-chain"), {"-pall", "-r180"}, "1-5", "180 180 180 180 180"},
        {"SparseNumbers", objectStreamFile("sparse-numbers"), {"-p2", "-r90"}, "2", ". 90"},
        {"Hybrid", objectStreamFile("hybrid"), {"-pall", "-r270"}, "1-2", "270 270"},
        {"Updated", objectStreamFile("updated"), {"-p1,3", "-r90"}, "1,3", "90 . 90"},
        {"ManyPages", objectStreamFile("many-pages"), {"-p1-750", "-r90"}, "1-750", repeated("90", 750)},
        {"NoObjectStreams", objectStreamFile("no-object-streams"), {"-pall", "-r90"}, "1-2", "90 90"},
        {"ObjstmFixture", fixture("objstm.pdf"), {"-pall", "-r90"}, "1-11", "90 90 90 90 90 90 90 90 90 90 90"},
        {"HybridFixture", fixture("hybrid.pdf"), {"-p1", "-r90"}, "1", "90"},
        {"HybridFreeFixture", fixture("hybrid-free.pdf"), {"-p1", "-r90"}, "1", "90"},
    };
}

void PrintTo(const LayoutCase& test, std::ostream* out) { *out << test.name; }

class CompactLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(CompactLayouts, KeepTheObjectStreamsAndEveryObject) {
    const LayoutCase& test = GetParam();
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
    const ProcessResult run = runCompact(test.input, output, test.options);
    EXPECT_EQ(banner + jobDone(test.input, output, std::stoi(test.options[1].substr(2)), test.pages), run.output);
    expectCompactCopy(test.input, output, test.rotations);
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, CompactLayouts, testing::ValuesIn(layoutCases()), caseName);

// qpdf's own layouts, made at test time: object streams of its choosing, and a
// linearized file whose first page's objects have streams of their own.
TEST(Compact, KeepsTheObjectStreamsOfQpdfsLayouts) {
    TemporaryFolder folder;
    for (const auto& [name, options] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"generated.pdf", {}}, {"linearized.pdf", {"--linearize"}}}) {
        SCOPED_TRACE(name);
        const std::string input = qpdfMade(folder, name, options), output = folder / ("out-" + name);
        const ProcessResult run = runCompact(input, output, {"-peven", "-r90"});
        EXPECT_EQ(banner + jobDone(input, output, 90, "2,4,6"), run.output);
        expectCompactCopy(input, output, ". 90 . 90 . 90");
    }
}

// The same job with and without -compact gives the same document: -force adds to
// what each page shows (own, inherited or indirect) as the full rewrite does.
TEST(Compact, GivesTheDocumentOfTheDefaultRewriteWithForce) {
    TemporaryFolder folder;
    const std::string input = objectStreamFile("several-streams");
    const ProcessResult plain = runJob(input, folder / "plain.pdf", {"-pall", "-r90", "-force"});
    const ProcessResult compact = runCompact(input, folder / "compact.pdf", {"-pall", "-r90", "-force"});
    EXPECT_EQ(banner + jobDone(input, folder / "compact.pdf", 90, "1-5"), compact.output);
    EXPECT_TRUE(isRotatedCopy(folder / "plain.pdf", folder / "compact.pdf", ""));
    EXPECT_EQ((std::vector<long>{90, 180, 90, 270, 90}), shownRotations(folder / "compact.pdf"));
    EXPECT_TRUE(keepsObjectStreams(input, folder / "compact.pdf", "90 90 90 90 90"));
}

bool hasClassicTable(const std::string& pdf) { return readFile(pdf).find("\nxref\n") != std::string::npos; }

// A stream where objects went into object streams or the input's newest section was
// a stream; otherwise a classic table whose subsections hold only the numbers written.
TEST(Compact, WritesAStreamOrATableAsTheInputDid) {
    TemporaryFolder folder;
    struct Expected {
        std::string input;
        bool stream;
    };
    for (const Expected& expected :
         {Expected{objectStreamFile("several-streams"), true}, Expected{objectStreamFile("no-object-streams"), true},
          Expected{craftedFile("sparse-index"), true}, Expected{craftedFile("sparse-far-table"), false},
          Expected{craftedFile("endobj-words"), false}}) {
        SCOPED_TRACE(expected.input);
        const std::string output = folder / "out.pdf";
        const ProcessResult run = runCompact(expected.input, output, {"-p1", "-r90"});
        EXPECT_EQ(banner + jobDone(expected.input, output, 90, "1"), run.output);
        EXPECT_NE(expected.stream, hasClassicTable(output));
        EXPECT_EQ(expected.stream, readFile(output).find("/Type /XRef") != std::string::npos);
        EXPECT_TRUE(qpdfCheckClean(output));
        EXPECT_TRUE(isRotatedCopy(expected.input, output, "90"));
        EXPECT_TRUE(withinInputSize(expected.input, output));
    }
}

// Objects 1 to 4 and 500: the table lists those and no number between them.
TEST(Compact, AClassicTableListsOnlyTheNumbersWritten) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 500 0 R >>");
    pdf.object(4, "(unused)");
    pdf.stream(500, "", "0 0 m 10 10 l S");
    pdf.entry(0, 0, 0, 65535);
    pdf.startxref(pdf.table("/Size 501 /Root 1 0 R"));
    writeFile(folder / "in.pdf", pdf.bytes());

    const ProcessResult run = runCompact(folder / "in.pdf", folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1"), run.output);
    const std::string written = readFile(folder / "out.pdf");
    const size_t table = written.find("\nxref\n");
    ASSERT_NE(std::string::npos, table);
    EXPECT_EQ("0 5\r", written.substr(table + 6, 4));
    EXPECT_NE(std::string::npos, written.find("\r500 1\r", table));
    EXPECT_NE(std::string::npos, written.find("trailer\n<<\n/Size 501\n/Root 1 0 R\n>>", table));
    EXPECT_EQ(table + 6 + 4 + 5 * 20 + 6 + 20, written.find("trailer"));
    EXPECT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_TRUE(isRotatedCopy(folder / "in.pdf", folder / "out.pdf", "90"));
}

// The encryption dictionary's object number (0 when the trailer holds it).
int encryptionObject(const std::string& pdf, const std::string& password) {
    const ProcessResult shown = runProcess({"qpdf", "--password=" + password, "--show-object=trailer", pdf});
    const size_t key = shown.output.find("/Encrypt ");
    return key == std::string::npos ? 0 : std::atoi(shown.output.c_str() + key + 9);
}

// qpdf opens the output with each of `passwords`, the user's first; its object
// streams hold what the input's held, and it is no larger than the input.
void expectKeptCompactEncryption(const std::string& input, const std::string& output, const std::string& rotations,
                                 const std::vector<std::string>& passwords) {
    const std::string& user = passwords.front();
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        expectKeptEncryption(input, output, password, rotations);
    }
    EXPECT_TRUE(keepsObjectStreams(input, output, rotations, user, encryptionObject(input, user)));
    EXPECT_TRUE(withinInputSize(input, output));
}

class CompactEncrypted : public testing::TestWithParam<EncryptionHandler> {};

// Object streams are encrypted whole with their own key, their strings as they
// stand; the same passwords open the output with the same permissions.
TEST_P(CompactEncrypted, KeepsTheEncryptionOfEveryHandler) {
    TemporaryFolder folder;
    std::vector<std::string> options = {"--encrypt", "user", "owner"};
    options.insert(options.end(), GetParam().qpdfArguments.begin(), GetParam().qpdfArguments.end());
    const std::string input = qpdfMade(folder, "in.pdf", options), output = folder / "out.pdf";
    const ProcessResult run = runCompact(input, output, {"-p1,3", "-r90", "-passworduser"});
    EXPECT_EQ(banner + jobDone(input, output, 90, "1,3"), run.output);
    expectKeptCompactEncryption(input, output, "90 . 90", {"user", "owner"});
}

INSTANTIATE_TEST_SUITE_P(EveryHandler, CompactEncrypted, testing::ValuesIn(everyEncryptionHandler()), caseName);

// Files made from nothing: RC4 of revisions 2 and 3, an encryption dictionary
// written in the trailer, strings with raw line ends, an object stream that the
// Identity crypt filter leaves unencrypted. qpdf opens with the owner password
// only the files whose owner key is hashed as it hashes them ("qpdfkey").
TEST(Compact, KeepsTheEncryptionOfTheMadeFiles) {
    TemporaryFolder folder;
    for (const char* name : {"rc4-40-stream", "rc4-128-stream-direct-qpdfkey", "rc4-r2-direct-stream", "raw-cr-stream",
                             "identity-objstm"}) {
        SCOPED_TRACE(name);
        const std::string input = encryptedFile(name), output = folder / (std::string(name) + ".pdf");
        const ProcessResult run = runCompact(input, output, {"-p2", "-r90", "-passworduser"});
        EXPECT_EQ(banner + jobDone(input, output, 90, "2"), run.output);
        const bool qpdfOwnerKey = std::string(name).ends_with("qpdfkey");
        expectKeptCompactEncryption(
            input, output, ". 90",
            qpdfOwnerKey ? std::vector<std::string>{"user", "owner"} : std::vector<std::string>{"user"});
    }
}

// A file whose end was cut off, rebuilt by scanning it: the objects of its object
// streams are found and packed again. The cut took the end of its cross-reference
// stream, which, unknown as such, is written as an ordinary object, mended.
TEST(Compact, RepairsADamagedFileWithObjectStreams) {
    TemporaryFolder folder;
    const std::string whole = readFile(objectStreamFile("several-streams"));
    writeFile(folder / "cut.pdf", whole.substr(0, whole.size() - 30));
    const ProcessResult run = runCompact(folder / "cut.pdf", folder / "out.pdf", {"-p1", "-r90", "-repair"});
    EXPECT_EQ(banner + jobHead(folder / "cut.pdf", folder / "out.pdf", 90, "1") +
                  "\nFile repaired: the cross-reference was rebuilt by scanning the file; the Length of 1 stream "
                  "was corrected; a missing \"endstream\" or \"endobj\" was added to 1 object\nDone.\n",
              run.output);
    EXPECT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_TRUE(isRotatedCopy(objectStreamFile("several-streams"), folder / "out.pdf", "90"));
    EXPECT_TRUE(keepsObjectStreams(objectStreamFile("several-streams"), folder / "out.pdf", "90"));
}

// An update keeps the input's bytes, and its compression with them: -compact
// changes nothing there, and says so.
TEST(Compact, IsIgnoredWithIncrementalWithAWarning) {
    TemporaryFolder folder;
    const std::string input = objectStreamFile("several-streams");
    const ProcessResult plain = runJob(input, folder / "plain.pdf", {"-p1", "-r90", "-incremental"});
    const ProcessResult both = runCompact(input, folder / "both.pdf", {"-p1", "-r90", "-incremental"});
    EXPECT_EQ(banner + jobDone(input, folder / "both.pdf", 90, "1"), both.output);
    EXPECT_EQ(readFile(folder / "plain.pdf"), readFile(folder / "both.pdf"));
    if (testingWindowsBuild()) return;  // the launcher's standard error is not the program's alone
    EXPECT_EQ(
        "folioturn: warning: -compact ignored with -incremental: an incremental update keeps the input's bytes, "
        "and its compression with them\n",
        errorsOf(both));
}

TEST(Compact, WorksInListRuns) {
    TemporaryFolder folder;
    writeFile(folder / "list.txt", "several-streams.pdf\nhybrid.pdf\n");
    for (const char* name : {"several-streams.pdf", "hybrid.pdf"})
        writeFile(folder / name, readFile(objectStreamFile(std::string(name).substr(0, std::strlen(name) - 4))));
    const ProcessResult run = runFolioturn({"-ilist.txt", "-frotated", "-pall", "-r90", "-compact"}, folder.path());
    EXPECT_NE(std::string::npos, run.output.rfind("Done.\n")) << run.output;
    EXPECT_EQ(0, run.exitCode);
    expectCompactCopy(folder / "several-streams.pdf", folder / "rotated/several-streams.pdf", "90 90 90 90 90");
    expectCompactCopy(folder / "hybrid.pdf", folder / "rotated/hybrid.pdf", "90 90");
}

// A default rewrite that comes out much larger than its input names -compact on
// standard error; standard output stays as it was, and -compact itself says nothing.
TEST(Compact, ADefaultRewriteMuchLargerThanItsInputHintsAtIt) {
    if (testingWindowsBuild()) GTEST_SKIP() << "the launcher's standard error is not the program's alone";
    TemporaryFolder folder;
    const std::string input = objectStreamFile("sparse-numbers");
    const ProcessResult plain = runJob(input, folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(banner + jobDone(input, folder / "out.pdf", 90, "1"), plain.output);
    const std::string size = std::to_string(readFile(folder / "out.pdf").size() * 10 / readFile(input).size());
    EXPECT_EQ("\nfolioturn: hint: the output is " + size.substr(0, size.size() - 1) + "." + size.back() +
                  " times the size of the input: -compact keeps the input's object streams and writes a smaller "
                  "cross-reference\n",
              errorsOf(plain));
    const ProcessResult compact = runCompact(input, folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ(plain.output, compact.output);
    EXPECT_EQ("", errorsOf(compact));
    const ProcessResult small = runJob(objectStreamFile("hybrid"), folder / "out.pdf", {"-p1", "-r90"});
    EXPECT_EQ("", errorsOf(small)) << "a rewrite less than one and a half times its input says nothing";
}

}  // namespace
