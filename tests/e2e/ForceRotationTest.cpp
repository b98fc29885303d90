// "-force" turns each selected page from the rotation it shows: its own /Rotate
// (also an indirect one), or the one it inherits, or none; checked by the exact
// value written and, through qpdf, by the rotation every page then shows.
#include <cstdlib>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

// Pages with every way of having a rotation. The root node has /Rotate 90, an
// intermediate node /Rotate 180 and another none; the pages in tree order:
//   3 inherits 90 from the root          6 inherits 180 from node 4
//   7 has 450                            8 has 540
//   9 has -450                          10 has an indirect 990 (object 12)
//  11 inherits 90 through node 5        13 has 360
struct PageObject {
    int number;
    std::string body;
};
const std::vector<PageObject> treeObjects = {
    {1, "<< /Type /Catalog /Pages 2 0 R >>"},
    {2, "<< /Type /Pages /Rotate 90 /Kids [3 0 R 4 0 R 5 0 R] /Count 8 >>"},
    {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>"},
    {4, "<< /Type /Pages /Parent 2 0 R /Rotate 180 /Kids [6 0 R 7 0 R] /Count 2 >>"},
    {5, "<< /Type /Pages /Parent 2 0 R /Kids [8 0 R 9 0 R 10 0 R 11 0 R 13 0 R] /Count 5 >>"},
    {6, "<< /Type /Page /Parent 4 0 R /MediaBox [0 0 200 100] >>"},
    {7, "<< /Type /Page /Parent 4 0 R /Rotate 450 /MediaBox [0 0 200 100] >>"},
    {8, "<< /Type /Page /Parent 5 0 R /Rotate 540 /MediaBox [0 0 200 100] >>"},
    {9, "<< /Type /Page /Parent 5 0 R /Rotate -450 /MediaBox [0 0 200 100] >>"},
    {10, "<< /Type /Page /Parent 5 0 R /Rotate 12 0 R /MediaBox [0 0 200 100] >>"},
    {11, "<< /Type /Page /Parent 5 0 R /MediaBox [0 0 200 100] >>"},
    {12, "990"},
    {13, "<< /Type /Page /Parent 5 0 R /Rotate 360 /MediaBox [0 0 200 100] >>"},
};

std::string classicFile(TemporaryFolder& folder) {
    PdfBuilder pdf;
    for (const PageObject& object : treeObjects) pdf.object(object.number, object.body);
    pdf.startxref(pdf.table("/Size 14 /Root 1 0 R"));
    writeFile(folder / "inherit.pdf", pdf.bytes());
    return folder / "inherit.pdf";
}

// The same objects, all but the catalogue inside one object stream.
std::string objectStreamFile(TemporaryFolder& folder) {
    PdfBuilder pdf;
    pdf.object(1, treeObjects[0].body);
    std::vector<std::pair<int, std::string>> packed;
    for (size_t i = 1; i < treeObjects.size(); ++i) packed.emplace_back(treeObjects[i].number, treeObjects[i].body);
    pdf.objectStream(14, packed);
    pdf.startxref(pdf.xrefStream(15, "/Root 1 0 R", true));
    writeFile(folder / "inherit-objstm.pdf", pdf.bytes());
    return folder / "inherit-objstm.pdf";
}

long normalised(long degrees) { return ((degrees % 360) + 360) % 360; }

// Every selected page shows, modulo 360, what it showed plus the requested angle;
// the others show what they showed.
testing::AssertionResult turnedBy(const std::string& input, const std::string& output, long degrees,
                                  const std::vector<bool>& selected) {
    const std::vector<long> before = shownRotations(input), after = shownRotations(output);
    if (before.size() != selected.size() || after.size() != selected.size())
        return testing::AssertionFailure() << "page counts " << before.size() << " and " << after.size();
    for (size_t i = 0; i < selected.size(); ++i) {
        const long expected = normalised(before[i] + (selected[i] ? degrees : 0));
        if (normalised(after[i]) != expected)
            return testing::AssertionFailure()
                   << "page " << i + 1 << " shows " << after[i] << " after " << before[i] << ", expected " << expected;
    }
    return testing::AssertionSuccess();
}

struct ForceCase {
    const char* name;
    std::vector<std::string> options;
    long degrees;
    std::string pages;         // as the job prints them
    std::string ownRotations;  // each page's own /Rotate afterwards (see isRotatedCopy)
    std::vector<bool> selected;
};
void PrintTo(const ForceCase& c, std::ostream* out) { *out << c.name; }

const std::vector<bool> all(8, true);

class ForceRotation : public testing::TestWithParam<std::tuple<ForceCase, bool>> {};

TEST_P(ForceRotation, TurnsEachPageFromTheRotationItShows) {
    const auto& [c, packed] = GetParam();
    TemporaryFolder folder;
    const std::string input = packed ? objectStreamFile(folder) : classicFile(folder);
    const std::string output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, c.options);
    EXPECT_EQ(banner + jobDone(input, output, int(c.degrees), c.pages), run.output);
    ASSERT_TRUE(qpdfCheckClean(output));
    EXPECT_TRUE(isRotatedCopy(input, output, c.ownRotations));
    EXPECT_TRUE(turnedBy(input, output, c.degrees, c.selected));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ForceRotation,
    testing::Combine(
        testing::Values(ForceCase{"Plus90", {"-pall", "-r90", "-force"}, 90, "1-8", "180 270 180 270 0 0 180 90", all},
                        ForceCase{"Plus270", {"-pall", "-r270", "-force"}, 270, "1-8", "0 90 0 90 180 -180 0 270", all},
                        ForceCase{"Minus90", {"-pall", "-r-90", "-force"}, -90, "1-8", "0 90 0 90 -180 180 0 -90", all},
                        ForceCase{"Plus180OnInheritedOnly",
                                  {"-p1,2,7", "-r180", "-force"},
                                  180,
                                  "1,2,7",
                                  "270 0 . . . . 270",
                                  {true, true, false, false, false, false, true, false}}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "ObjectStream" : "Classic");
    });

// Without -force the requested value is written as it stands, whatever the page showed.
TEST(ForceRotation, WithoutForceTheRequestedValueStands) {
    TemporaryFolder folder;
    const std::string input = classicFile(folder), output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, {"-pall", "-r90"});
    EXPECT_EQ(banner + jobDone(input, output, 90, "1-8"), run.output);
    EXPECT_TRUE(isRotatedCopy(input, output, "90 90 90 90 90 90 90 90"));
    EXPECT_EQ(std::vector<long>(8, 90), shownRotations(output));
}

// Loops and values that are not numbers count as no rotation; the job still ends.
TEST(ForceRotation, LoopsAndOddValuesCountAsNoRotation) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Parent 4 0 R /Kids [3 0 R 5 0 R 6 0 R] /Count 3 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>");  // /Parent loops 2 -> 4 -> 2
    pdf.object(4, "<< /Type /Pages /Parent 2 0 R /Kids [] /Count 0 >>");
    pdf.object(5, "<< /Type /Page /Parent 2 0 R /Rotate 7 0 R /MediaBox [0 0 10 10] >>");  // 7 is "7 0 R"
    pdf.object(6, "<< /Type /Page /Parent 2 0 R /Rotate /Ninety /MediaBox [0 0 10 10] >>");
    pdf.object(7, "7 0 R");
    pdf.startxref(pdf.table("/Size 8 /Root 1 0 R"));
    writeFile(folder / "loops.pdf", pdf.bytes());
    const ProcessResult run = runJob(folder / "loops.pdf", folder / "out.pdf", {"-pall", "-r90", "-force"});
    EXPECT_EQ(banner + jobDone(folder / "loops.pdf", folder / "out.pdf", 90, "1-3"), run.output);
    EXPECT_NE(std::string::npos, readFile(folder / "out.pdf").find("3 0 obj\n<</Rotate 90\n"));
    EXPECT_NE(std::string::npos, readFile(folder / "out.pdf").find("/Rotate 90  /MediaBox"));
}

}  // namespace
