// The page list forms beyond numbers and ranges: "end" and "rN", an angle per item,
// named selections in a list, and landscape and portrait pages. Checked on a file
// whose pages take their shape in every way a page can, through qpdf (the rotation
// each page then shows), as a full rewrite and as an incremental update.
#include <sstream>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

// Fifteen pages in document order, with how each comes by its shape:
//   1 P own media box              2 L own media box
//   3 P media box from the root    4 L media box from node 3
//   5 P own media box under node 3 6 L crop box on a portrait media box
//   7 P crop box on a landscape media box
//   8 L portrait media box shown at /Rotate 90
//   9 P landscape media box shown at /Rotate 270
//  10 P portrait media box shown at /Rotate 180
//  11 L portrait crop box and /Rotate 90, both from node 4
//  12 L media box given with its corners the other way round
//  13 P a landscape crop box that the portrait media box clips
//  14 P a media box that is no box: counted as portrait, and told
//  15 L an indirect media box
struct FileObject {
    int number;
    std::string body;
};
std::string pageObject(int parent, const std::string& entries) {
    return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R " + entries + " /Contents 30 0 R >>";
}
const std::vector<FileObject> shapeObjects = {
    {1, "<< /Type /Catalog /Pages 2 0 R >>"},
    {2,
     "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [10 0 R 11 0 R 12 0 R 3 0 R 15 0 R 16 0 R 17 0 R 18 0 R "
     "19 0 R 4 0 R 21 0 R 22 0 R 23 0 R 24 0 R] /Count 15 >>"},
    {3, "<< /Type /Pages /Parent 2 0 R /MediaBox [0 0 842 595] /Kids [13 0 R 14 0 R] /Count 2 >>"},
    {4, "<< /Type /Pages /Parent 2 0 R /Rotate 90 /CropBox [0 0 200 400] /Kids [20 0 R] /Count 1 >>"},
    {10, pageObject(2, "/MediaBox [0 0 612 792]")},
    {11, pageObject(2, "/MediaBox [0 0 792 612]")},
    {12, pageObject(2, "")},
    {13, pageObject(3, "")},
    {14, pageObject(3, "/MediaBox [0 0 595 842]")},
    {15, pageObject(2, "/MediaBox [0 0 612 792] /CropBox [0 0 612 300]")},
    {16, pageObject(2, "/MediaBox [0 0 792 612] /CropBox [100 0 400 612]")},
    {17, pageObject(2, "/MediaBox [0 0 612 792] /Rotate 90")},
    {18, pageObject(2, "/MediaBox [0 0 792 612] /Rotate 270")},
    {19, pageObject(2, "/MediaBox [0 0 612 792] /Rotate 180")},
    {20, pageObject(4, "/MediaBox [0 0 612 792]")},
    {21, pageObject(2, "/MediaBox [792 612 0 0]")},
    {22, pageObject(2, "/MediaBox [0 0 600 800] /CropBox [-500 0 1100 800]")},
    {23, pageObject(2, "/MediaBox [0 0 612]")},
    {24, pageObject(2, "/MediaBox 40 0 R")},
    {40, "[0 0 500 300]"},
};
constexpr int pageCount = 15;
// The rotation each page shows before the job.
const std::vector<long> shownBefore = {0, 0, 0, 0, 0, 0, 0, 90, 270, 180, 90, 0, 0, 0, 0};

std::string shapesFile(TemporaryFolder& folder, bool packed) {
    PdfBuilder pdf;
    pdf.object(1, shapeObjects[0].body);
    pdf.stream(30, "", "0 0 m 100 100 l S");
    if (packed) {
        std::vector<std::pair<int, std::string>> objects;
        for (size_t i = 1; i < shapeObjects.size(); ++i)
            objects.emplace_back(shapeObjects[i].number, shapeObjects[i].body);
        pdf.objectStream(41, objects);
        pdf.startxref(pdf.xrefStream(42, "/Root 1 0 R", true));
    } else {
        for (size_t i = 1; i < shapeObjects.size(); ++i) pdf.object(shapeObjects[i].number, shapeObjects[i].body);
        pdf.startxref(pdf.table("/Size 41 /Root 1 0 R"));
    }
    const std::string path = folder / (packed ? "shapes-packed.pdf" : "shapes.pdf");
    writeFile(path, pdf.bytes());
    return path;
}

// "Rotating file: IN to OUT, Pages: SUMMARY" and what follows it on success.
std::string itemsDone(const std::string& input, const std::string& output, const std::string& summary,
                      bool toldUnreadable) {
    return banner + "Rotating file: " + input + " to " + output + ", Pages: " + summary + "\nProcessing" +
           (toldUnreadable ? "\nPage boxes unreadable: 1 page counted as portrait" : "") + "\nDone.\n";
}

struct FormCase {
    const char* name;
    std::vector<std::string> options;
    std::string summary;
    bool shapes;            // a landscape or portrait item: the unreadable page is told of
    std::string rotations;  // each page's own /Rotate afterwards, "." for a page left as it was
};
void PrintTo(const FormCase& c, std::ostream* out) { *out << c.name; }

// What each page shows afterwards: its new /Rotate, or what it showed.
std::vector<long> expectedShown(const std::string& rotations) {
    std::istringstream tokens(rotations);
    std::vector<long> shown;
    std::string token;
    for (size_t i = 0; tokens >> token; ++i) shown.push_back(token == "." ? shownBefore[i] : std::stol(token));
    return shown;
}
std::vector<long> normalised(std::vector<long> degrees) {
    for (long& value : degrees) value = ((value % 360) + 360) % 360;
    return degrees;
}

class SelectionForms : public testing::TestWithParam<std::tuple<FormCase, bool, bool>> {};

TEST_P(SelectionForms, RotateThePagesTheyName) {
    const auto& [c, packed, incremental] = GetParam();
    TemporaryFolder folder;
    const std::string input = shapesFile(folder, packed), output = folder / "out.pdf";
    ASSERT_EQ(shownBefore, shownRotations(input));
    std::vector<std::string> options = c.options;
    if (incremental) options.push_back("-incremental");
    const ProcessResult run = runJob(input, output, options);
    EXPECT_EQ(itemsDone(input, output, c.summary, c.shapes), run.output);
    ASSERT_TRUE(qpdfCheckClean(output));
    EXPECT_EQ(normalised(expectedShown(c.rotations)), normalised(shownRotations(output)));
    if (incremental) {
        const std::string before = readFile(input);
        EXPECT_EQ(before, readFile(output).substr(0, before.size()));
    } else {
        EXPECT_TRUE(isRotatedCopy(input, output, c.rotations));
    }
}

INSTANTIATE_TEST_SUITE_P(
    E2e, SelectionForms,
    testing::Combine(
        testing::Values(
            FormCase{"LandscapeUpright",
                     {"-plandscape", "-r90", "-force"},
                     "landscape at 90",
                     true,
                     ". 90 . 90 . 90 . 180 . . 180 90 . . 90"},
            FormCase{"PortraitAndLandscape",
                     {"-pportrait:90,landscape:0"},
                     "portrait at 90, landscape at 0",
                     true,
                     "90 0 90 0 90 0 90 0 90 90 0 0 90 90 0"},
            FormCase{"Duplex",
                     {"-podd:90,even:270", "-force"},
                     "odd at 90, even at 270",
                     false,
                     "90 270 90 270 90 270 90 0 0 90 180 270 90 270 90"},
            FormCase{"RangesToTheEnd",
                     {"-p1-3:90,4-end:180"},
                     "1-3 at 90, 4-15 at 180",
                     false,
                     "90 90 90 180 180 180 180 180 180 180 180 180 180 180 180"},
            FormCase{"LastThree", {"-pr3-end", "-r270"}, "13-15 at 270", false, ". . . . . . . . . . . . 270 270 270"},
            FormCase{
                "FirstAndLast", {"-r90", "-p1,end"}, "1 at 90, 15 at 90", false, "90 . . . . . . . . . . . . . 90"},
            FormCase{"Halves",
                     {"-pfirsthalf:180,lasthalf:0"},
                     "firsthalf at 180, lasthalf at 0",
                     false,
                     "180 180 180 180 180 180 180 0 0 0 0 0 0 0 0"},
            FormCase{"LaterItemsWin",
                     {"-p1-end:90,5:180,landscape:270"},
                     "1-15 at 90, 5 at 180, landscape at 270",
                     true,
                     "90 270 90 270 180 270 90 270 90 90 270 270 90 90 270"},
            FormCase{"Exclusions",
                     {"-p1-end:90,~5-7,~odd,~40-50"},
                     "1-15 at 90, ~5-7, ~odd, ~40-50",
                     false,
                     ". 90 . 90 . . . 90 . 90 . 90 . 90 ."},
            FormCase{"ExcludedThenChosenAgain",
                     {"-pall:0,~landscape,3:180"},
                     "all at 0, ~landscape, 3 at 180",
                     true,
                     "0 . 180 . 0 . 0 . 0 0 . . 0 0 ."}),
        testing::Bool(), testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "ObjectStream" : "Table") +
               (std::get<2>(info.param) ? "Incremental" : "Rewrite");
    });

struct FailureCase {
    const char* name;
    std::string pages;
    bool afterOpening;  // the page count is needed to find the fault
    std::string message;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class SelectionFormFailures : public testing::TestWithParam<FailureCase> {};

// Each message names the item, and nothing is written.
TEST_P(SelectionFormFailures, NameTheItemAndWriteNothing) {
    const FailureCase& c = GetParam();
    TemporaryFolder folder;
    const std::string input = shapesFile(folder, false), output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, {"-p" + c.pages, "-r90"});
    const std::string head = c.afterOpening ? "Rotating file: " + input + " to " + output : "";
    EXPECT_EQ(banner + head + c.message, run.output);
    EXPECT_EQ(std::vector<std::string>{"shapes.pdf"}, folder.entries());
}

INSTANTIATE_TEST_SUITE_P(
    E2e, SelectionFormFailures,
    testing::Values(
        FailureCase{"PastTheEnd", "5-16:90", true,
                    "\nInvalid page list item \"5-16:90\": page 16 is past the end, the file has 15 pages\n"},
        FailureCase{"BeforeTheFirst", "odd,r16", true,
                    "\nInvalid page list item \"r16\": r16 is before the first page, the file has 15 pages\n"},
        FailureCase{"Backwards", "end-3", true,
                    "\nInvalid page list item \"end-3\": the range runs backwards, from page 15 to page 3\n"},
        FailureCase{"RZero", "r0", false, "Invalid page list item \"r0\": r1 is the last page, there is no r0\n"},
        FailureCase{"AngleNotANumber", "1-3:ninety,4-end", false,
                    "Invalid page list item \"1-3:ninety\": the angle is not a number\n"},
        FailureCase{"EmptyItem", "odd:90,,even:270", false,
                    "Invalid page list \"odd:90,,even:270\": item 2 is empty\n"},
        FailureCase{"ExclusionFirst", "~3,all", false,
                    "Invalid page list item \"~3\": an exclusion takes pages out of the items before it, and none "
                    "comes before\n"},
        FailureCase{"ExclusionWithAnAngle", "all,~3:90", false,
                    "Invalid page list item \"~3:90\": an exclusion takes no angle\n"},
        FailureCase{"UnknownItem", "odd,evens", false,
                    "Invalid page list item \"evens\": not a page, a range or a named selection\n"}),
    caseName);

// Every job of a list run takes the same items, each against its own page count.
TEST(SelectionForms, ListRunsResolveEachFile) {
    TemporaryFolder folder;
    shapesFile(folder, false);
    writeFile(folder / "sample.pdf", readFile(example("sample.pdf")));
    writeFile(folder / "list.txt", "shapes.pdf\nsample.pdf\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-frotated", "-pr2-end:180,landscape:90"}, folder.path());
    const std::string rotated = "rotated" + listSeparator();
    EXPECT_EQ(banner + "Rotating file: shapes.pdf to " + rotated + "shapes.pdf, Pages: 14-15 at 180, landscape at 90" +
                  "\nProcessing\nPage boxes unreadable: 1 page counted as portrait\nDone.\n" +
                  "Rotating file: sample.pdf to " + rotated + "sample.pdf, Pages: 5-6 at 180, landscape at 90" +
                  "\nProcessing\nDone.\n",
              run.output);
    EXPECT_EQ(normalised(expectedShown(". 90 . 90 . 90 . 90 . . 90 90 . 180 90")),
              normalised(shownRotations(folder / "rotated/shapes.pdf")));
    // The sample's page 2 shows 90 on a portrait box, pages 5 and 6 inherit 180.
    EXPECT_EQ((std::vector<long>{0, 90, 0, 0, 180, 180}), shownRotations(folder / "rotated/sample.pdf"));
    EXPECT_TRUE(isRotatedCopy(example("sample.pdf"), folder / "rotated/sample.pdf", ". 90 . . 180 180"));
}

// With -repair the page count comes from the leaves where /Count disagrees with them.
TEST(SelectionForms, RepairCountsFromTheLeaves) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /MediaBox [0 0 200 100] /Kids [3 0 R 4 0 R 5 0 R] /Count 7 >>");
    for (int page = 3; page <= 5; ++page) pdf.object(page, "<< /Type /Page /Parent 2 0 R >>");
    pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
    writeFile(folder / "in.pdf", pdf.bytes());
    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-repair", "-pr1:90,landscape:180,1"});
    EXPECT_EQ(banner + "Rotating file: " + folder / "in.pdf" + " to " + folder / "out.pdf" +
                  ", Pages: 3 at 90, landscape at 180, 1 at 0\nProcessing\n"
                  "File repaired: the page count was taken from the page tree's 3 pages, not from its /Count\nDone.\n",
              run.output);
    EXPECT_TRUE(isRotatedCopy(folder / "in.pdf", folder / "out.pdf", "0 180 180"));
}

}  // namespace
