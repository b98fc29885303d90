// -incremental: the input's bytes, then an update that rotates the selected pages,
// checked through qpdf.
#include <filesystem>
#include <random>
#include <regex>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

// The number after the input's last "startxref": the update's Prev.
std::string lastStartxref(const std::string& pdf) {
    std::smatch found;
    std::string number;
    const std::regex keyword("startxref\\s+(\\d+)");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), keyword); it != std::sregex_iterator(); ++it)
        number = (*it)[1];
    return number;
}

int count(const std::string& text, const std::regex& pattern) {
    return int(std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
}

// The objects an update rewrites: ordinary objects, plus those in its object
// stream, less the object stream and the cross-reference stream themselves.
int rewrittenObjects(const std::string& update) {
    const int headers = count(update, std::regex("(^|\n)\\d+ \\d+ obj"));
    if (update.find("/Type /XRef") == std::string::npos) return headers;
    std::smatch objectStream;
    if (!std::regex_search(update, objectStream, std::regex("/Type /ObjStm /N (\\d+)"))) return headers - 1;
    return std::stoi(objectStream[1]) + headers - 2;
}

// Checks the output of a run that changed something: every input byte first, then
// an update that continues the input's chain in the input's own form of section.
testing::AssertionResult appendsUpdate(const std::string& input, const std::string& output, int rewritten) {
    const std::string before = readFile(input), after = readFile(output);
    if (after.size() <= before.size() || after.compare(0, before.size(), before) != 0)
        return testing::AssertionFailure() << output << " does not extend " << input;
    const std::string update = after.substr(before.size());
    const bool streamSection = before.compare(std::stoul(lastStartxref(before)), 4, "xref") != 0;
    if (!std::regex_search(update, std::regex("/Prev " + lastStartxref(before) + "[^0-9]")))
        return testing::AssertionFailure() << "no Prev " << lastStartxref(before) << " in:\n" << update;
    if (streamSection != (update.find("trailer") == std::string::npos))
        return testing::AssertionFailure() << "the update's section is not of the input's kind:\n" << update;
    if (rewrittenObjects(update) != rewritten)
        return testing::AssertionFailure() << rewrittenObjects(update) << " objects rewritten, not " << rewritten;
    if (!update.ends_with("startxref\n" + lastStartxref(after) + "\n%%EOF\n"))
        return testing::AssertionFailure() << "the update does not end with startxref and %%EOF";
    return testing::AssertionSuccess();
}

struct IncrementalCase {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    int degrees;
    std::string pages;      // as the job prints them
    std::string rotations;  // each page's own /Rotate afterwards, "." where it stays (see isRotatedCopy)
    int rewritten;          // page objects whose rotation changes
    int dots = 0;
};
void PrintTo(const IncrementalCase& c, std::ostream* out) { *out << c.name; }

class Incremental : public testing::TestWithParam<IncrementalCase> {};

TEST_P(Incremental, AppendsAnUpdateThatRotatesTheChangedPages) {
    const IncrementalCase& c = GetParam();
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
    std::vector<std::string> options = c.options;
    options.insert(options.begin() + 1, "-incremental");  // the option may stand anywhere after -i and -o
    const ProcessResult run = runJob(c.input, output, options);
    EXPECT_EQ(banner + jobDone(c.input, output, c.degrees, c.pages, c.dots), run.output);
    EXPECT_TRUE(appendsUpdate(c.input, output, c.rewritten));
    ASSERT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(c.input, output, c.rotations));
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

const std::string sample = example("sample.pdf");  // six pages: 2 has /Rotate 90, 5 and 6 inherit 180
const std::string rotations = fixture("rotations.pdf");
const std::string forced270 = "0 -180 0 270 270 0 0 90 270 90 180";

INSTANTIATE_TEST_SUITE_P(
    E2e, Incremental,
    testing::Values(
        // Page 2 already shows 90 and is left as it is.
        IncrementalCase{"SampleAll", sample, {"-pall", "-r90"}, 90, "1-6", "90 90 90 90 90 90", 5},
        // Page 5 inherits 180: 0 is a change, and is written.
        IncrementalCase{"InheritedIsNotZero", sample, {"-p5", "-r0"}, 0, "5", ". . . . 0", 1},
        // Pages 1, 6 (90.0) and 7 (an indirect 90) already show 90 and stay.
        IncrementalCase{
            "IndirectValueCounts", rotations, {"-pall", "-r90"}, 90, "1-11", "90 90 90 90 90 . . 90 90 90 90", 8},
        // -force turns every page from what it shows, the indirect and inherited ones too.
        IncrementalCase{"ForceAdds90",
                        rotations,
                        {"-pall", "-r90", "-force"},
                        90,
                        "1-11",
                        "180 0 -180 90 90 180 180 270 90 270 0",
                        11},
        IncrementalCase{"ForceAdds270", rotations, {"-pall", "-r270", "-force"}, 270, "1-11", forced270, 11},
        IncrementalCase{
            "ObjectStreams", fixture("objstm.pdf"), {"-pall", "-r270", "-force"}, 270, "1-11", forced270, 11},
        IncrementalCase{"ObjectStreamsUnchangedLeftOut",
                        fixture("objstm.pdf"),
                        {"-pall", "-r90"},
                        90,
                        "1-11",
                        "90 90 90 90 90 . . 90 90 90 90",
                        8},
        IncrementalCase{"DotsForPageTreeNodes",
                        fixture("nodes.pdf"),
                        {"-plasthalf", "-r90"},
                        90,
                        "13-25",
                        ". . . . . . . . . . . . 90 90 90 90 90 90 90 90 90 90 90 90 90",
                        13,
                        2},
        IncrementalCase{"Ghostscript", fixture("gs.pdf"), {"-peven", "-r270"}, 270, "2", ". 270", 1},
        IncrementalCase{
            "MutoolCreate", fixture("mutool-create.pdf"), {"-pall", "-r180"}, 180, "1-4", "180 180 180 180", 4},
        IncrementalCase{"MutoolClean", fixture("mutool-clean.pdf"), {"-pall", "-r90"}, 90, "1-1", "90", 1},
        IncrementalCase{"QpdfQdf", fixture("qpdf-qdf.pdf"), {"-p2-3", "-r90", "-force"}, 90, "2-3", ". 180 0", 2},
        IncrementalCase{"Linearized", fixture("linearized.pdf"), {"-plasthalf", "-r90"}, 90, "3-4", ". . 90 90", 2},
        IncrementalCase{
            "AlreadyUpdated", fixture("incremental.pdf"), {"-p1-2", "-r90", "-force"}, 90, "1-2", "0 180", 2},
        IncrementalCase{"Hybrid", fixture("hybrid.pdf"), {"-pall", "-r180", "-force"}, 180, "1-2", "270 180", 2},
        IncrementalCase{"HybridTableListsFree", fixture("hybrid-free.pdf"), {"-p2", "-r90"}, 90, "2", ". 90", 1},
        IncrementalCase{"CountAboveLeavesSkips", fixture("overcount.pdf"), {"-pall", "-r90"}, 90, "1-3", "90 90", 2}),
    caseName);

// Files that qpdf rewrites with object streams and a cross-reference stream,
// also linearized, and a file that ends without a line end.
TEST(Incremental, ExtendsFilesThatQpdfCompresses) {
    TemporaryFolder folder;
    const std::vector<std::vector<std::string>> variants = {
        {"--object-streams=generate"},
        {"--object-streams=generate", "--linearize"},
        {"--object-streams=generate", "--compress-streams=n", "--decode-level=generalized"}};
    for (size_t i = 0; i < variants.size(); ++i) {
        const std::string input = folder / ("in" + std::to_string(i) + ".pdf");
        std::vector<std::string> qpdf = {"qpdf"};
        qpdf.insert(qpdf.end(), variants[i].begin(), variants[i].end());
        qpdf.insert(qpdf.end(), {sample, input});
        ASSERT_EQ(0, runProcess(qpdf).exitCode);
        const std::string output = folder / ("out" + std::to_string(i) + ".pdf");
        EXPECT_EQ(banner + jobDone(input, output, 270, "1,3,5"),
                  runJob(input, output, {"-podd", "-r270", "-incremental"}).output);
        EXPECT_TRUE(appendsUpdate(input, output, 3)) << variants[i][0];
        EXPECT_TRUE(qpdfCheckClean(output));
        EXPECT_TRUE(isRotatedCopy(input, output, "270 . 270 . 270"));
    }
    std::string unterminated = readFile(sample);
    while (unterminated.back() == '\n' || unterminated.back() == '\r') unterminated.pop_back();
    writeFile(folder / "open.pdf", unterminated);
    runJob(folder / "open.pdf", folder / "open-out.pdf", {"-p1", "-r90", "-incremental"});
    const std::string extended = readFile(folder / "open-out.pdf");
    EXPECT_EQ(unterminated + "\n", extended.substr(0, unterminated.size() + 1));
    EXPECT_TRUE(qpdfCheckClean(folder / "open-out.pdf"));
    EXPECT_TRUE(isRotatedCopy(folder / "open.pdf", folder / "open-out.pdf", "90"));
}

// A page of generation 1 cannot go into an object stream: it is written as an
// ordinary object beside it.
TEST(Incremental, WritesPagesOfOtherGenerationsBesideTheObjectStream) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.objectStream(5, {{2, "<< /Type /Pages /Kids [3 1 R 4 0 R] /Count 2 >>"},
                         {4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"}});
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Rotate 180 >>", 1);
    const uint32_t section = pdf.xrefStream(6, "/Root 1 0 R /ID [<0123456789abcdef0123456789abcdef> <ff>]");
    pdf.startxref(section);
    TemporaryFolder folder;
    const std::string input = pdf.write(), output = folder / "out.pdf";
    EXPECT_EQ(banner + jobDone(input, output, 90, "1-2"),
              runJob(input, output, {"-pall", "-r90", "-incremental"}).output);
    EXPECT_TRUE(appendsUpdate(input, output, 2));
    const std::string update = readFile(output).substr(readFile(input).size());
    EXPECT_NE(std::string::npos,
              update.find("3 1 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Rotate 90  >>"));
    EXPECT_NE(std::string::npos, update.find("/ID [<0123456789abcdef0123456789abcdef> <ff>]"));
    EXPECT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(input, output, "90 90"));
}

// Pages unlike each other (each holds 200 random hex digits of its own) take more
// room than an update holds of the pages it read: those past it are read again.
// Every page still gets its own dictionary back, rotated, in the update's one
// object stream.
TEST(Incremental, PagesPastWhatTheUpdateHoldsAreReadAgain) {
    constexpr int pageCount = 3000, perStream = 100, firstPage = 3;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int page = 0; page < pageCount; ++page) kids += std::to_string(firstPage + page) + " 0 R ";
    pdf.object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) + " >>");
    std::mt19937 random(11);
    int streamNumber = firstPage + pageCount;
    for (int start = 0; start < pageCount; start += perStream) {
        std::vector<std::pair<int, std::string>> members;
        for (int page = start; page < start + perStream; ++page) {
            std::string note;
            for (int digit = 0; digit < 200; ++digit) note += "0123456789abcdef"[random() % 16];
            members.emplace_back(firstPage + page,
                                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Note <" + note + "> >>");
        }
        pdf.objectStream(streamNumber++, members);
    }
    pdf.startxref(pdf.xrefStream(streamNumber, "/Root 1 0 R"));
    TemporaryFolder folder;
    const std::string input = pdf.write(), output = folder / "out.pdf";
    EXPECT_EQ(banner + jobDone(input, output, 90, "1-" + std::to_string(pageCount)),
              runJob(input, output, {"-pall", "-r90", "-incremental"}).output);
    EXPECT_TRUE(appendsUpdate(input, output, pageCount));
    EXPECT_TRUE(qpdfCheckClean(output));
    std::string rotations;
    for (int page = 0; page < pageCount; ++page) rotations += "90 ";
    EXPECT_TRUE(isRotatedCopy(input, output, rotations));
}

struct UnchangedCase {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    int degrees;
    std::string pages;
};
void PrintTo(const UnchangedCase& c, std::ostream* out) { *out << c.name; }

class IncrementalUnchanged : public testing::TestWithParam<UnchangedCase> {};

TEST_P(IncrementalUnchanged, GivesTheInputItself) {
    const UnchangedCase& c = GetParam();
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
    std::vector<std::string> options = c.options;
    options.push_back("-incremental");
    EXPECT_EQ(banner + jobDone(c.input, output, c.degrees, c.pages), runJob(c.input, output, options).output);
    EXPECT_EQ(readFile(c.input), readFile(output));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, IncrementalUnchanged,
    testing::Values(UnchangedCase{"OwnValue", sample, {"-p2", "-r90"}, 90, "2"},
                    UnchangedCase{"InheritedValue", sample, {"-p5-6", "-r180"}, 180, "5-6"},
                    UnchangedCase{"IndirectValue", rotations, {"-p7", "-r90"}, 90, "7"},
                    UnchangedCase{
                        "ForcedZeroOnZero", fixture("mutool-create.pdf"), {"-p1,4", "-r0", "-force"}, 0, "1,4"},
                    UnchangedCase{"CrossReferenceStream", fixture("objstm.pdf"), {"-p1", "-r90"}, 90, "1"}),
    caseName);

TEST(Incremental, RefusesFilesThatCannotTakeAnUpdate) {
    const struct {
        std::string input;
        std::string message;
    } cases[] = {
        {fixture("junk-header.pdf"),
         "\nCannot append an incremental update: the file does not begin with its %PDF- header\n"},
        {fixture("damaged-truncated.pdf"),
         "\nCannot append an incremental update: the file's cross-reference is damaged (PDF file was damaged)\n"},
    };
    for (const auto& c : cases) {
        TemporaryFolder folder;
        const ProcessResult run = runJob(c.input, folder / "out.pdf", {"-pall", "-r90", "-incremental"});
        EXPECT_EQ(banner + "Rotating file: " + c.input + c.message, run.output);
        EXPECT_EQ(std::vector<std::string>{}, folder.entries());
    }
}

TEST(Incremental, ReplacesTheInputInPlace) {
    TemporaryFolder folder;
    writeFile(folder / "original.pdf", readFile(sample));
    writeFile(folder / "doc.pdf", readFile(sample));
    const ProcessResult run = runFolioturn({"-idoc.pdf", "-odoc.pdf", "-podd", "-r90", "-incremental"}, folder.path());
    EXPECT_EQ(banner + jobDone("doc.pdf", "doc.pdf", 90, "1,3,5"), run.output);
    EXPECT_TRUE(appendsUpdate(folder / "original.pdf", folder / "doc.pdf", 3));
    EXPECT_TRUE(qpdfCheckClean(folder / "doc.pdf"));
    EXPECT_TRUE(isRotatedCopy(folder / "original.pdf", folder / "doc.pdf", "90 . 90 . 90"));
    EXPECT_EQ((std::vector<std::string>{"doc.pdf", "original.pdf"}), folder.entries());
}

TEST(Incremental, AppliesToEveryFileOfAList) {
    TemporaryFolder folder;
    writeFile(folder / "a.pdf", readFile(sample));
    writeFile(folder / "b.pdf", readFile(fixture("objstm.pdf")));
    writeFile(folder / "list.txt", "a.pdf\nb.pdf\n");
    const ProcessResult run =
        runFolioturn({"-ilist.txt", "-fout", "-p1", "-r180", "-incremental", "-force"}, folder.path());
    const std::string out = "out" + listSeparator();
    EXPECT_EQ(banner + jobDone("a.pdf", out + "a.pdf", 180, "1") + jobDone("b.pdf", out + "b.pdf", 180, "1"),
              run.output);
    EXPECT_TRUE(appendsUpdate(folder / "a.pdf", folder / "out/a.pdf", 1));
    EXPECT_TRUE(appendsUpdate(folder / "b.pdf", folder / "out/b.pdf", 1));
    EXPECT_TRUE(isRotatedCopy(folder / "a.pdf", folder / "out/a.pdf", "180"));
    EXPECT_TRUE(isRotatedCopy(folder / "b.pdf", folder / "out/b.pdf", "270"));
}

// A signed file: a signature dictionary whose /ByteRange covers every byte of the
// file but its /Contents placeholder; certified, the catalogue names it in /Perms.
std::string signedPdf(bool certified) {
    PdfBuilder pdf;
    const std::string permissions = certified ? " /Perms << /DocMDP 5 0 R >>" : "";
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [4 0 R] /SigFlags 3 >>" + permissions + " >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Annots [4 0 R] >>");
    pdf.object(4, "<< /Type /Annot /Subtype /Widget /FT /Sig /T (Signature1) /Rect [0 0 0 0] /P 3 0 R /V 5 0 R >>");
    pdf.object(5, "<< /Type /Sig /Filter /Adobe.PPKLite /SubFilter /adbe.pkcs7.detached /ByteRange [0 " +
                      std::string(32, '#') + "] /Contents <" + std::string(1024, '0') + "> >>");
    pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
    std::string bytes = pdf.bytes();
    const size_t contents = bytes.find("/Contents <") + 10, afterContents = bytes.find('>', contents) + 1;
    char range[33];
    std::snprintf(range, sizeof range, "%010zu %010zu %010zu", contents, afterContents, bytes.size() - afterContents);
    return bytes.replace(bytes.find(std::string(32, '#')), 32, range);
}

// The bytes that the /ByteRange [a b c d] of `pdf` signs.
std::string signedBytes(const std::string& pdf, const std::string& signedFile) {
    std::smatch range;
    std::regex_search(signedFile, range, std::regex("/ByteRange \\[(\\d+) (\\d+) (\\d+) (\\d+)\\]"));
    const size_t b = std::stoul(range[2]), c = std::stoul(range[3]), d = std::stoul(range[4]);
    if (pdf.size() < c + d) return "";
    return pdf.substr(0, b) + pdf.substr(c, d);
}

TEST(Incremental, KeepsTheSignedBytesAndWarnsOfACertification) {
    for (const bool certified : {false, true}) {
        TemporaryFolder folder;
        const std::string input = folder / "signed.pdf", output = folder / "out.pdf";
        writeFile(input, signedPdf(certified));
        const std::string notice = certified ? "\nNote: the document carries a certification signature; viewers will "
                                               "report the rotation as a change made after signing"
                                             : "";
        const ProcessResult run = runJob(input, output, {"-pall", "-r90", "-incremental"});
        EXPECT_EQ(banner + jobHead(input, output, 90, "1-1") + notice + "\nDone.\n", run.output);
        EXPECT_EQ(signedBytes(readFile(input), readFile(input)), signedBytes(readFile(output), readFile(input)));
        EXPECT_TRUE(appendsUpdate(input, output, 1));
        EXPECT_TRUE(qpdfCheckClean(output));
        EXPECT_TRUE(isRotatedCopy(input, output, "90"));
        // A full rewrite moves the signature's object: its signed bytes are not kept.
        runJob(input, folder / "rewritten.pdf", {"-pall", "-r90"});
        EXPECT_NE(signedBytes(readFile(input), readFile(input)),
                  signedBytes(readFile(folder / "rewritten.pdf"), readFile(input)));
        // Nothing to change: the input as it is, and nothing to warn of.
        const std::string unchanged = folder / "unchanged.pdf";
        EXPECT_EQ(banner + jobDone(input, unchanged, 0, "1-1"),
                  runJob(input, unchanged, {"-r0", "-incremental"}).output);
        EXPECT_EQ(readFile(input), readFile(unchanged));
    }
}

// On a line of its own: the console line "Processing" is still open.
const std::string signedHint =
    "\nfolioturn: hint: the document is signed, and a full rewrite leaves its signatures invalid; -incremental "
    "appends the rotation and keeps them\n";

TEST(Incremental, AFullRewriteOfASignedFileNamesIncremental) {
    TemporaryFolder folder;
    const std::string input = folder / "signed.pdf", output = folder / "out.pdf";
    writeFile(input, signedPdf(false));
    ProcessResult run = runJob(input, output, {"-pall", "-r90"});
    EXPECT_EQ(banner + jobDone(input, output, 90, "1-1"), run.output) << "standard output keeps its text";
    EXPECT_EQ(signedHint, errorsOf(run));
    EXPECT_EQ("", errorsOf(runJob(input, output, {"-pall", "-r90", "-incremental"})));
    run = runJob(input, folder / "missing/out.pdf", {"-pall", "-r90"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("", errorsOf(run)) << "a job that wrote nothing has nothing to say of signatures";
}

// A form with fields of every sort: only a signature field with a value signs.
using FieldObjects = std::vector<std::pair<int, std::string>>;

std::string formPdf(const std::string& fields, const FieldObjects& fieldObjects) {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields " + fields + " >> >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
    for (const auto& [number, body] : fieldObjects) pdf.object(number, body);
    pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
    return pdf.bytes();
}

TEST(Incremental, OnlyASignatureFieldWithAValueCountsAsSigned) {
    struct FormCase {
        const char* what;
        std::string fields;
        FieldObjects objects;
        bool hinted;
    };
    const FormCase cases[] = {
        {"an empty signature field", "[4 0 R]", {{4, "<< /FT /Sig /T (s) >>"}}, false},
        {"a text field with a value", "[4 0 R]", {{4, "<< /FT /Tx /T (t) /V (x) >>"}}, false},
        {"a kid inheriting /Sig",
         "[4 0 R]",
         {{4, "<< /FT /Sig /T (s) /Kids [5 0 R] >>"}, {5, "<< /Parent 4 0 R /V << >> >>"}},
         true},
        {"a kid of a text field",
         "[4 0 R]",
         {{4, "<< /FT /Tx /T (s) /Kids [5 0 R] >>"}, {5, "<< /Parent 4 0 R /V (x) >>"}},
         false},
        {"a direct signed field", "[<< /FT /Sig /V 9 0 R >>]", {}, true},
        {"a field tree that loops", "[4 0 R]", {{4, "<< /T (a) /Kids [4 0 R 4 0 R] >>"}}, false},
        {"fields that are no array", "4 0 R", {{4, "<< /FT /Sig /V 1 >>"}}, false},
    };
    for (const FormCase& c : cases) {
        TemporaryFolder folder;
        const std::string input = folder / "form.pdf", output = folder / "out.pdf";
        writeFile(input, formPdf(c.fields, c.objects));
        const ProcessResult run = runJob(input, output, {"-pall", "-r90"});
        EXPECT_EQ(banner + jobDone(input, output, 90, "1-1"), run.output) << c.what;
        EXPECT_EQ(c.hinted ? signedHint : "", errorsOf(run)) << c.what;
    }
}

}  // namespace
