// Page lists and page objects that the job once read wrong while it said
// "Done.": a page object listed twice in the page tree, a /Rotate written with a
// sign or with more digits than 32 bits hold, angles beyond 32 bits, numbers
// quoted in messages, and an empty output name. Outputs are judged by qpdf.
#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

// Pages 1 and 3 are object 4 (/Kids [4 0 R 6 0 R 4 0 R]); `rotate4` and
// `rotate6` are the two page objects' own entries.
std::string repeatedPageFile(TemporaryFolder& folder, bool packed, const std::string& rotate4 = "",
                             const std::string& rotate6 = "") {
    const std::vector<std::pair<int, std::string>> objects = {
        {2, "<< /Type /Pages /Kids [4 0 R 6 0 R 4 0 R] /Count 3 /MediaBox [0 0 612 792] >>"},
        {4, "<< /Type /Page /Parent 2 0 R " + rotate4 + " /Contents 7 0 R >>"},
        {6, "<< /Type /Page /Parent 2 0 R " + rotate6 + " /MediaBox [0 0 792 612] /Contents 7 0 R >>"},
    };
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.stream(7, "", "0 0 m 100 100 l S");
    if (packed) {
        pdf.objectStream(8, objects);
        pdf.startxref(pdf.xrefStream(9, "/Root 1 0 R", true));
    } else {
        for (const auto& [number, body] : objects) pdf.object(number, body);
        pdf.startxref(pdf.table("/Size 8 /Root 1 0 R"));
    }
    const std::string path = folder / (packed ? "repeated-packed.pdf" : "repeated.pdf");
    writeFile(path, pdf.bytes());
    return path;
}

// What each page shows, 0 to 359, as qpdf reads the file: its own /Rotate (the
// page tree above holds none). qpdf warns of a page listed twice, and gives the
// second listing a copy of the object as a page of its own.
std::vector<long> shown(const std::string& pdf) {
    std::vector<long> degrees;
    const std::optional<std::vector<QpdfPage>> pages = qpdfPages(pdf);
    if (!pages) return degrees;
    for (const QpdfPage& page : *pages) {
        const long long value = page.rotate == "null" ? 0 : std::stoll(page.rotate);
        degrees.push_back(static_cast<long>(((value % 360) + 360) % 360));
    }
    return degrees;
}

std::vector<long> normalised(std::vector<long> degrees) {
    for (long& value : degrees) value = ((value % 360) + 360) % 360;
    return degrees;
}

// Standard output's line is open ("Processing"): the warning starts on a line of
// its own, for logs that take both streams.
const std::string repeatedWarning =
    "\nfolioturn: warning: pages 1 and 3 are one page object, listed twice in the page tree; it holds one rotation, so "
    "each of them gets the angle of the last item that names any of them\n";

struct RepeatCase {
    const char* name;
    std::vector<std::string> options;
    std::vector<long> shown;  // what qpdf shows of pages 1 to 3 afterwards
    bool told;                // the listings were asked for different rotations
};
void PrintTo(const RepeatCase& c, std::ostream* out) { *out << c.name; }

class RepeatedPageObject : public testing::TestWithParam<std::tuple<RepeatCase, bool, bool>> {};

// Both listings show the rotation of the last item that names either, as qpdf
// reads the output, in a full rewrite and in an update, from a table or an
// object stream.
TEST_P(RepeatedPageObject, ShowsTheLastItemsRotationAtEveryListing) {
    const auto& [c, packed, incremental] = GetParam();
    TemporaryFolder folder;
    const std::string input = repeatedPageFile(folder, packed), output = folder / "out.pdf";
    ASSERT_EQ((std::vector<long>{0, 0, 0}), shown(input));
    std::vector<std::string> options = c.options;
    if (incremental) options.push_back("-incremental");
    const ProcessResult run = runJob(input, output, options);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(run.output.ends_with("\nDone.\n")) << run.output;
    EXPECT_EQ(c.told ? repeatedWarning : "", errorsOf(run));
    EXPECT_EQ(normalised(c.shown), shown(output));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, RepeatedPageObject,
    testing::Combine(testing::Values(RepeatCase{"SecondListing", {"-p3", "-r90"}, {90, 0, 90}, true},
                                     RepeatCase{"LaterItemWins", {"-p1:90,3:180"}, {180, 0, 180}, true},
                                     RepeatCase{"LaterItemWinsBackwards", {"-p3:180,1:90"}, {90, 0, 90}, true},
                                     RepeatCase{"Forced", {"-p3:180,2:90,1:270", "-force"}, {270, 90, 270}, true},
                                     RepeatCase{"OddPagesAgree", {"-podd:90,even:270"}, {90, 270, 90}, false},
                                     RepeatCase{"Landscape", {"-plandscape:90,portrait:180"}, {180, 90, 180}, false},
                                     RepeatCase{"LastHalf", {"-plasthalf", "-r270"}, {270, 270, 270}, true},
                                     RepeatCase{"All", {"-pall", "-r180"}, {180, 180, 180}, false}),
                     testing::Bool(), testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "ObjectStream" : "Table") +
               (std::get<2>(info.param) ? "Incremental" : "Rewrite");
    });

struct RotateValueCase {
    const char* name;
    std::string rotate;  // page 2's own /Rotate, as written
    long shown;          // what qpdf shows of it
    long read;           // what it is read as: reduced modulo 360 with its sign
};
void PrintTo(const RotateValueCase& c, std::ostream* out) { *out << c.name; }

class RotateAsWritten : public testing::TestWithParam<RotateValueCase> {};

// A /Rotate with a plus sign, leading zeros or digits past 32 bits shows what
// qpdf shows: -force adds to it, and landscape and portrait see it. (qpdf reads
// no integer past 64 bits; the lexer's tests take those.)
TEST_P(RotateAsWritten, CountsForForceAndForShapes) {
    const RotateValueCase& c = GetParam();
    TemporaryFolder folder;
    const std::string input = repeatedPageFile(folder, false, "", "/Rotate " + c.rotate), output = folder / "out.pdf";
    ASSERT_EQ(c.shown, shown(input).at(1));
    ASSERT_EQ(0, runJob(input, output, {"-p2", "-r90", "-force"}).exitCode);
    EXPECT_EQ((c.shown + 90) % 360, shown(output).at(1));
    // Page 2's media box is landscape: a quarter turn shows it portrait.
    ASSERT_EQ(0, runJob(input, output, {"-plandscape:180"}).exitCode);
    EXPECT_EQ(c.shown % 180 == 0 ? 180 : c.shown, shown(output).at(1));
    // Asking for the value it is read as changes nothing in an update.
    ASSERT_EQ(0, runJob(input, output, {"-p2", "-r" + std::to_string(c.read), "-incremental"}).exitCode);
    EXPECT_EQ(readFile(input), readFile(output));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, RotateAsWritten,
    testing::Values(RotateValueCase{"PlusSign", "+90", 90, 90}, RotateValueCase{"LeadingZeros", "+0000270", 270, 270},
                    RotateValueCase{"BeyondThirtyTwoBits", "3600000000090", 90, 90},
                    RotateValueCase{"NegativeBeyondThirtyTwoBits", "-36000000000000270", 90, -270}),
    caseName);

// Angles beyond the 32-bit range are refused before any file is opened, on an
// item and on -r alike; an item's angle that is no multiple of 90 is warned of
// as -r's is.
TEST(AngleRange, AnglesBeyondThirtyTwoBitsAreRefusedAndOddAnglesWarned) {
    TemporaryFolder folder;
    const std::string input = repeatedPageFile(folder, false), output = folder / "out.pdf";
    const ProcessResult item = runJob(input, output, {"-p1:3600000000000"});
    EXPECT_EQ(2, item.exitCode);
    EXPECT_EQ(banner +
                  "Invalid page list item \"1:3600000000000\": the angle is beyond the range of -2147483648 to "
                  "2147483647 degrees\n",
              item.output);
    const ProcessResult rotation = runJob(input, output, {"-p1", "-r-2147483649"});
    EXPECT_EQ(2, rotation.exitCode);
    EXPECT_EQ(banner +
                  "Invalid rotation \"-r-2147483649\": the angle is beyond the range of -2147483648 to 2147483647 "
                  "degrees\n",
              rotation.output);
    EXPECT_FALSE(exists(output));
    // The last -r counts, as always.
    EXPECT_EQ(0, runJob(input, output, {"-p1", "-r3600000000000", "-r90"}).exitCode);
    const ProcessResult odd = runJob(input, output, {"-p1:45,2:-2147483648,3:45"});
    EXPECT_EQ(0, odd.exitCode);
    EXPECT_EQ(
        "folioturn: warning: -p item \"1:45\": a page's /Rotate must be a multiple of 90 (ISO 32000); 45 is "
        "written as given\n"
        "folioturn: warning: -p item \"2:-2147483648\": a page's /Rotate must be a multiple of 90 (ISO 32000); "
        "-2147483648 is written as given\n"
        "folioturn: warning: -p item \"3:45\": a page's /Rotate must be a multiple of 90 (ISO 32000); 45 is "
        "written as given\n",
        errorsOf(odd));
    const std::optional<std::vector<QpdfPage>> pages = qpdfPages(output);
    ASSERT_TRUE(pages.has_value());
    EXPECT_EQ("-2147483648", pages->at(1).rotate);
}

// Numbers past 32 bits are quoted as typed.
TEST(PageNumberMessages, QuoteTheNumbersAsTyped) {
    TemporaryFolder folder;
    const std::string input = repeatedPageFile(folder, false), output = folder / "out.pdf";
    const std::string head = banner + "Rotating file: " + input + " to " + output;
    const ProcessResult classic = runJob(input, output, {"-p2147483648", "-r90"});
    EXPECT_EQ(head + ", 90 Degrees, Pages: 2147483648\nProcessingPage number 2147483648 greater than 3 pages in file",
              classic.output);
    const ProcessResult range = runJob(input, output, {"-p2-18446744073709551617", "-r90"});
    EXPECT_EQ(head +
                  ", 90 Degrees, Pages: 2-18446744073709551617\nProcessingWrong page ranges, 18446744073709551617 "
                  "greater than 3 pages in file",
              range.output);
    const ProcessResult fromEnd = runJob(input, output, {"-pr4294967297"});
    EXPECT_EQ(head +
                  "\nInvalid page list item \"r4294967297\": r4294967297 is before the first page, the file has 3 "
                  "pages\n",
              fromEnd.output);
    EXPECT_EQ(std::vector<std::string>{"repeated.pdf"}, folder.entries());
}

// An empty -o is refused before the input is even opened: the input here does
// not exist, and its message does not come.
TEST(EmptyOutputName, IsRefusedBeforeAnyWork) {
    TemporaryFolder folder;
    const ProcessResult run = runFolioturn({"-i" + (folder / "missing.pdf"), "-o", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ(banner + "\nOutput file create error: \nthe output file name is empty\n", run.output);
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
