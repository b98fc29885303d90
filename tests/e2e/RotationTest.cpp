// Rotation jobs on files from several producers, checked through qpdf.
#include "E2eSupport.h"

namespace {

using namespace e2e;

std::string repeat(const std::string& token, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += token + " ";
    return text;
}

// rotations.pdf, page by page: /Rotate 90, 270, -270, 0, none, 90.0, an indirect
// 90, none under a node with /Rotate 180, only nested ones, 180 after a line
// break, -90 after a nested dictionary that holds one.
const std::string rotations = fixture("rotations.pdf");
const std::string forced270 = "0 -180 0 270 270 0 0 90 270 90 180";

struct RotationCase {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    int degrees;
    std::string pages;      // as the job prints them
    std::string rotations;  // the own /Rotate of each page afterwards (see isRotatedCopy)
    int dots = 0;
    std::vector<std::string> outputHolds = {};  // byte strings; "^" marks the start of the file
    std::vector<std::string> outputLacks = {};
};
void PrintTo(const RotationCase& c, std::ostream* out) { *out << c.name; }

class Rotation : public testing::TestWithParam<RotationCase> {};

TEST_P(Rotation, RotatesExactlyTheSelectedPages) {
    const RotationCase& c = GetParam();
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
    const ProcessResult run = runJob(c.input, output, c.options);
    EXPECT_EQ(banner + jobDone(c.input, output, c.degrees, c.pages, c.dots), run.output);
    EXPECT_EQ(0, run.exitCode);
    ASSERT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(c.input, output, c.rotations));
    const std::string bytes = readFile(output);
    for (const std::string& held : c.outputHolds) {
        if (held[0] == '^') EXPECT_EQ(0u, bytes.find(held.substr(1))) << held;
        else EXPECT_NE(std::string::npos, bytes.find(held)) << held;
    }
    for (const std::string& lacked : c.outputLacks) EXPECT_EQ(std::string::npos, bytes.find(lacked)) << lacked;
    EXPECT_EQ(std::vector<std::string>{"out.pdf"}, folder.entries());
}

const std::string sample = example("sample.pdf");  // six pages: 2 has /Rotate 90, 5 and 6 inherit 180

INSTANTIATE_TEST_SUITE_P(
    E2e, Rotation,
    testing::Values(
        RotationCase{"SampleAll",
                     sample,
                     {"-pall", "-r90"},
                     90,
                     "1-6",
                     "90 90 90 90 90 90",
                     0,
                     {"5 0 obj\n<</Rotate 90\n /Type /Page /Parent 2 0 R", "/Rotate 90  /Resources"}},
        RotationCase{"NoSelectionIsAll", sample, {"-r90"}, 90, "1-6", "90 90 90 90 90 90"},
        RotationCase{"Odd", sample, {"-podd", "-r180"}, 180, "1,3,5", "180 . 180 . 180 ."},
        RotationCase{"Even", sample, {"-peven", "-r270"}, 270, "2,4,6", ". 270 . 270 . 270"},
        RotationCase{"FirstHalf", sample, {"-pfirsthalf", "-r90"}, 90, "1-3", "90 90 90"},
        RotationCase{"LastHalf", sample, {"-plasthalf", "-r90"}, 90, "4-6", ". . . 90 90 90"},
        RotationCase{"NamedBeforeListGoverns", sample, {"-podd", "-p1-2", "-r90"}, 90, "1,3,5", "90 . 90 . 90"},
        RotationCase{"NamedAfterListGoverns", sample, {"-p1-2", "-podd", "-r90"}, 90, "1,3,5", "90 . 90 . 90"},
        RotationCase{"BarePAfterNamedIsAll", sample, {"-podd", "-p", "-r90"}, 90, "1-6", "90 90 90 90 90 90"},
        RotationCase{"BlankInSecondPlace", sample, {"-p1 ,3", "-r90"}, 90, "1 ,3", "90 . 90"},
        RotationCase{"RepeatedPages", sample, {"-p3,3,1-3", "-r90"}, 90, "3,3,1-3", "90 90 90"},
        RotationCase{"NegativeDegrees", sample, {"-p2", "-r-90"}, -90, "2", ". -90"},
        RotationCase{"AnyDegrees", sample, {"-r45", "-p1"}, 45, "1", "45"},
        RotationCase{"DegreesThenText", sample, {"-p1", "-r90x"}, 90, "1", "90"},
        RotationCase{"DegreesNotANumber", sample, {"-p2", "-rx"}, 0, "2", ". 0"},
        RotationCase{"NoDegrees", sample, {"-p2"}, 0, "2", ". 0"},
        RotationCase{"OnlyLowerForce", sample, {"-p2", "-r90", "-FORCE", "-forced"}, 90, "2", ". 90"},
        RotationCase{"ForceAddsInherited", sample, {"-p2,5", "-r90", "-force"}, 90, "2,5", ". 180 . . 270"},
        RotationCase{"ForceAdds90",
                     rotations,
                     {"-pall", "-r90", "-force"},
                     90,
                     "1-11",
                     "180 0 -180 90 90 180 180 270 90 270 0",
                     0,
                     {"/Rotate 270  /Contents 31 0 R"},
                     {"endobj%"}},
        RotationCase{"ForceAdds270", rotations, {"-pall", "-r270", "-force"}, 270, "1-11", forced270},
        RotationCase{"ForceAddsMinus90",
                     rotations,
                     {"-podd", "-r-90", "-force"},
                     -90,
                     "1,3,5,7,9,11",
                     "0 . 0 . -90 . 0 . -90 . -180"},
        RotationCase{"ForceZeroWritesZero", rotations, {"-pall", "-r0", "-force"}, 0, "1-11", repeat("0", 11)},
        RotationCase{"PageList", rotations, {"-p1,3,5-7", "-r180"}, 180, "1,3,5-7", "180 . 180 . 180 180 180"},
        RotationCase{
            "LastHalfOfEleven", rotations, {"-plasthalf", "-r90"}, 90, "6-11", repeat(".", 5) + repeat("90", 6)},
        RotationCase{"EvenOfEleven", rotations, {"-peven", "-r90"}, 90, "2,4,6,8,10", repeat(". 90", 5)},
        RotationCase{"ObjectStreams",
                     fixture("objstm.pdf"),
                     {"-pall", "-r270", "-force"},
                     270,
                     "1-11",
                     forced270,
                     0,
                     {},
                     {"/ObjStm"}},
        RotationCase{"DotsForPageTreeNodes",
                     fixture("nodes.pdf"),
                     {"-plasthalf", "-r90"},
                     90,
                     "13-25",
                     repeat(".", 12) + repeat("90", 13),
                     2},
        RotationCase{"Ghostscript", fixture("gs.pdf"), {"-peven", "-r270"}, 270, "2", ". 270"},
        RotationCase{"MutoolCreate", fixture("mutool-create.pdf"), {"-pall", "-r180"}, 180, "1-4", repeat("180", 4)},
        RotationCase{"MutoolClean", fixture("mutool-clean.pdf"), {"-pall", "-r90"}, 90, "1-1", "90"},
        RotationCase{"QpdfQdf", fixture("qpdf-qdf.pdf"), {"-p2-3", "-r90", "-force"}, 90, "2-3", ". 180 0"},
        RotationCase{"Linearized", fixture("linearized.pdf"), {"-plasthalf", "-r90"}, 90, "3-4", ". . 90 90"},
        RotationCase{
            "JunkBeforeHeader", fixture("junk-header.pdf"), {"-podd", "-r90"}, 90, "1,3", "90 . 90", 0, {"^%PDF-"}},
        RotationCase{"IncrementalUpdate",
                     fixture("incremental.pdf"),
                     {"-p1-2", "-r90", "-force"},
                     90,
                     "1-2",
                     "0 180",
                     0,
                     {"4 1 obj"},
                     {"(Folioturn sample)"}},
        RotationCase{"Hybrid", fixture("hybrid.pdf"), {"-pall", "-r180", "-force"}, 180, "1-2", "270 180"},
        RotationCase{"HybridTableListsFree", fixture("hybrid-free.pdf"), {"-p2", "-r90"}, 90, "2", ". 90"},
        RotationCase{"CountAboveLeavesSkips", fixture("overcount.pdf"), {"-pall", "-r90"}, 90, "1-3", "90 90"}),
    caseName);

// Where the job stands when it fails: before the output is named, before the
// degrees are printed (counting the pages of a named selection), or after "Processing".
enum class Stage { Opening, Counting, Selecting };

struct FailureCase {
    const char* name;
    std::string input;
    std::vector<std::string> options;
    Stage stage;
    std::string pages;
    std::string message;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class RotationFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RotationFailure, PrintsTheReasonAndLeavesNoOutput) {
    const FailureCase& c = GetParam();
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
    const ProcessResult run = runJob(c.input, output, c.options);
    std::string expected = "Rotating file: " + c.input + (c.stage == Stage::Counting ? " to " + output : "");
    if (c.stage == Stage::Selecting) expected = jobHead(c.input, output, 0, c.pages);
    EXPECT_EQ(banner + expected + c.message, run.output);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{}, folder.entries());
}

const std::string onePage = fixture("mutool-clean.pdf");
const std::string invalid = "Invalid parameter\n";

FailureCase selecting(const char* name, const std::string& pages, const std::string& message,
                      const std::string& input = sample, const char* option = nullptr) {
    return {name, input, {option ? option : "-p" + pages}, Stage::Selecting, pages, message};
}

INSTANTIATE_TEST_SUITE_P(
    E2e, RotationFailure,
    testing::Values(
        selecting("PageAboveCount", "7", "Page number 7 greater than 6 pages in file"),
        selecting("RangeEndAboveCount", "5-7", "Wrong page ranges, 7 greater than 6 pages in file"),
        selecting("RangeBothAboveCount", "8-7", "Wrong page ranges, 7 greater than 6 pages in file"),
        selecting("RangeBackwards", "5-3", "Wrong page ranges, start page 5 > end page 3"),
        selecting("PageZero", "0", "Invalid page number 0"), selecting("RangeFromZero", "0-3", "Invalid page number 0"),
        selecting("LetterFirst", "a1", "Invalid page number 0"), selecting("TrailingComma", "1,2,", invalid),
        selecting("Letter", "1,a", invalid), selecting("BlankInThirdPlace", "1, 3", invalid),
        selecting("RangeOfRange", "1-2-3", invalid), selecting("LeadingComma", ",1", invalid),
        selecting("OpenRange", "5-", invalid),
        selecting("EvenOfOnePage", "2", "Page number 2 greater than 1 pages in file", onePage, "-peven"),
        selecting("FirstHalfOfOnePage", "1-0", "Invalid page number 0", onePage, "-pfirsthalf"),
        selecting("CountAboveObjects", "1", "PDF file was damaged", fixture("damaged-count.pdf")),
        FailureCase{"CountAboveObjectsNamed",
                    fixture("damaged-count.pdf"),
                    {"-pall"},
                    Stage::Counting,
                    "",
                    "PDF file was damaged"},
        FailureCase{"Encrypted", fixture("encrypted.pdf"), {}, Stage::Opening, "", "\nPDF file is encrypted"},
        FailureCase{"Truncated", fixture("damaged-truncated.pdf"), {}, Stage::Opening, "", "PDF file was damaged"}),
    caseName);

}  // namespace
