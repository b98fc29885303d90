// What -repair prints and writes, exactly, and that its scan of a whole file stays
// linear on files made to defeat it. The damaged files are those of
// tests/repair/make-damaged.py (RepairTest.cpp checks every one with qpdf).
#include <algorithm>
#include <functional>
#include <sstream>

#include "E2eSupport.h"

namespace {

using namespace e2e;

const std::string head = "%PDF-1.5\n%\xe2\xe3\xcf\xd3\n";

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string withoutTrailingSpace(const std::string& text) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

// The pages qpdf finds in the output are those of the input (repaired as qpdf
// repairs it), each with the same contents, and the rotation that `rotations`
// gives them ("." for a page that keeps its own). Contents compare without the
// white space at their end: qpdf takes the line end before "endstream" into the
// data of a stream whose Length it recovers, the program leaves it out.
void expectRotatedPages(const std::string& input, const std::string& output, const std::string& rotations) {
    const auto before = qpdfPages(input), after = qpdfPages(output);
    ASSERT_TRUE(before && after);
    ASSERT_EQ(before->size(), after->size());
    std::istringstream tokens(rotations);
    for (size_t i = 0; i < before->size(); ++i) {
        std::string token;
        tokens >> token;
        EXPECT_EQ(token == "." ? (*before)[i].rotate : token, (*after)[i].rotate) << "page " << i + 1;
        EXPECT_EQ(withoutTrailingSpace((*before)[i].contents), withoutTrailingSpace((*after)[i].contents))
            << "page " << i + 1;
    }
}

struct ConsoleCase {
    const char* file;
    std::vector<std::string> options;
    const char* pages;      // the page list the job prints
    std::string notice;     // the line before "Done."
    const char* rotations;  // each page's own /Rotate afterwards, as isRotatedCopy reads them
};

// The notice stands on its own line between the progress line and "Done."; the
// output is the input's pages and objects with the asked rotation.
TEST(RepairOption, SaysHowTheFileWasRepairedBeforeDone) {
    const ConsoleCase cases[] = {
        {"table-entries-with-junk",
         {"-podd", "-r90"},
         "1,3",
         "File repaired: junk in the cross-reference table was passed over",
         "90 . 90 ."},
        {"length-too-long", {"-p2", "-r270"}, "2", "File repaired: the Length of 1 stream was corrected", ". 270 . ."},
        // The root declares 2 pages: the leaves give the page count for the named
        // selection and for the check of page numbers alike.
        {"count-too-low",
         {"-plasthalf", "-r180"},
         "3-4",
         "File repaired: the page count was taken from the page tree's 4 pages, not from its /Count",
         ". . 180 180"},
        {"count-too-low",
         {"-p4", "-r90"},
         "4",
         "File repaired: the page count was taken from the page tree's 4 pages, not from its /Count",
         ". . . 90"},
    };
    for (const ConsoleCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + testing::PrintToString(c.options));
        TemporaryFolder folder;
        const std::string input = repairSetFile(c.file), output = folder / "out.pdf";
        std::vector<std::string> options = c.options;
        options.push_back("-repair");
        const ProcessResult run = runJob(input, output, options);
        EXPECT_EQ(
            banner + jobHead(input, output, std::stoi(c.options[1].substr(2)), c.pages) + "\n" + c.notice + "\nDone.\n",
            run.output);
        EXPECT_TRUE(qpdfCheckClean(output));
        expectRotatedPages(input, output, c.rotations);
    }
}

// A rebuilt file's head is what stands before the first object found: here a first
// definition of the page tree, which a later one replaces and which is not written.
TEST(RepairOption, WritesTheHeadBeforeTheFirstObjectFoundAndEachObjectOnce) {
    TemporaryFolder folder;
    const std::string input = repairSetFile("duplicate-object"), output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, {"-pall", "-r90", "-repair"});
    EXPECT_EQ(banner + jobHead(input, output, 90, "1-4") +
                  "\nFile repaired: the cross-reference was rebuilt by scanning the file\nDone.\n",
              run.output);
    const std::string written = readFile(output);
    EXPECT_EQ(head + "1 0 obj", written.substr(0, head.size() + 7));
    EXPECT_EQ(1u, occurrences(written, "\n2 0 obj"));
    EXPECT_EQ(1u, occurrences(written, "/Kids [3 0 R 4 0 R]")) << "the later page tree is the one written";
    EXPECT_TRUE(qpdfCheckClean(output));
}

// A sound one-page file whose page's content stream holds `data` but says `length`.
std::string withContentLength(const std::string& data, size_t length) {
    const std::string objects[] = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
                                   "<< /Length " + std::to_string(length) + " >>\nstream\n" + data + "\nendstream"};
    std::string pdf = head, table = "xref\n0 5\n0000000000 65535 f \n";
    for (int number = 1; number <= 4; ++number) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
        table += entry;
        pdf += std::to_string(number) + " 0 obj\n" + objects[number - 1] + "\nendobj\n";
    }
    const std::string tablePosition = std::to_string(pdf.size());
    return pdf + table + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + tablePosition + "\n%%EOF\n";
}

// Streams too large to hold in memory are corrected where they lie, small ones in
// memory; both come out with the length of their data.
TEST(RepairOption, CorrectsTheLengthOfLargeAndSmallStreams) {
    std::string large;
    while (large.size() < (size_t(3) << 20)) large += "0 0 m 150 150 l S\n";
    const std::string small = "0 0 m 150 150 l S";
    for (const std::string* data : {static_cast<const std::string*>(&large), &small})
        for (const long change : {40L, -20L, 99999999L}) {
            SCOPED_TRACE(std::to_string(data->size()) + " bytes, Length off by " + std::to_string(change));
            TemporaryFolder folder;
            writeFile(folder / "in.pdf", withContentLength(*data, size_t(long(data->size()) + change)));
            const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-pall", "-r90", "-repair"});
            EXPECT_TRUE(run.output.ends_with("\nFile repaired: the Length of 1 stream was corrected\nDone.\n"))
                << run.output;
            EXPECT_TRUE(qpdfCheckClean(folder / "out.pdf"));
            const std::string written = readFile(folder / "out.pdf");
            EXPECT_NE(std::string::npos, written.find("<< /Length " + std::to_string(data->size()) + " >>\nstream\n"));
            const auto pages = qpdfPages(folder / "out.pdf");
            ASSERT_TRUE(pages && pages->size() == 1);
            EXPECT_TRUE((*pages)[0].contents == *data) << "the data as it was";
        }
}

TEST(RepairOption, FilesWithNothingToRecoverAreStillRefused) {
    const struct {
        const char* name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"no objects", head + "garbage\n", "PDF file was damaged"},
        {"no page tree", head + "1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n",
         "PDF file was damaged"},
        {"encrypted",
         head + "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n<< /Type /Pages /Kids [] >>\n"
                "endobj\ntrailer\n<< /Root 1 0 R /Encrypt 5 0 R >>\n",
         "\nPDF file is encrypted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        writeFile(folder / "in.pdf", c.bytes);
        const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-pall", "-repair"});
        EXPECT_EQ(banner + "Rotating file: " + (folder / "in.pdf") + c.message, run.output);
        EXPECT_FALSE(exists(folder / "out.pdf"));
    }
}

// An incremental update must extend the cross-reference the file has: one that
// had to be rebuilt, or a table read past junk, cannot take one. A repair that
// leaves the cross-reference as it is (the page count) goes with an update.
TEST(RepairOption, WithIncrementalRefusesWhatItRebuiltOrReadPastJunk) {
    const struct {
        const char* file;
        std::string ending;
    } cases[] = {
        {"no-startxref", "\nCannot append an incremental update: the file's cross-reference had to be rebuilt\n"},
        {"offsets-swapped", "\nCannot append an incremental update: the file's cross-reference had to be rebuilt\n"},
        {"table-entries-with-junk",
         "\nCannot append an incremental update: the file's cross-reference table holds junk\n"},
        {"count-too-low",
         "\nFile repaired: the page count was taken from the page tree's 4 pages, not from its /Count\nDone.\n"},
        // Objects read with a container closed go into the update closed, rotated or not.
        {"unclosed-kids", "\nFile repaired: arrays or dictionaries left open were closed in 1 object\nDone.\n"},
        {"unclosed-page", "\nFile repaired: arrays or dictionaries left open were closed in 1 object\nDone.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TemporaryFolder folder;
        const std::string input = repairSetFile(c.file), output = folder / "out.pdf";
        const ProcessResult run = runJob(input, output, {"-pall", "-r90", "-incremental", "-repair"});
        EXPECT_TRUE(run.output.ends_with(c.ending)) << run.output;
        const bool done = c.ending.ends_with("Done.\n");
        EXPECT_EQ(done, exists(output));
        if (done) {
            EXPECT_EQ(readFile(input), readFile(output).substr(0, readFile(input).size())) << "every byte of the input";
            // qpdf loses the pages of an object left open: those of the sound file count.
            const bool open = std::string_view(c.file).starts_with("unclosed-");
            expectRotatedPages(open ? repairSetFile("sound-classic") : input, output, "90 90 90 90");
        }
    }
    // A page that keeps its rotation is not rewritten, but its object is, closed.
    TemporaryFolder folder;
    const std::string input = repairSetFile("unclosed-page"), output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, {"-p1", "-r180", "-incremental", "-repair"});
    EXPECT_TRUE(run.output.ends_with("left open were closed in 1 object\nDone.\n")) << run.output;
    EXPECT_TRUE(qpdfCheckClean(output));
    EXPECT_EQ(4u, qpdfPages(output).value_or(std::vector<QpdfPage>{}).size());
}

// The CPU seconds a scan of a hostile file may use. The costliest case needs about
// 1.5 s, or 40 s under the sanitizers (300,000 objects, each allocation watched); a
// scan that rereads would need hours in either build.
#ifdef __SANITIZE_ADDRESS__
constexpr const char* scanCpuSecondsLimit = "ulimit -t 100; ";
#else
constexpr const char* scanCpuSecondsLimit = "ulimit -t 30; ";
#endif

// Files of some megabytes made of what makes a scan read the same bytes again and
// again: dictionaries that never close, trailers by the hundred thousand, streams
// without "endstream", "obj" inside a string. A scan that rereads would take hours;
// under a bound of CPU seconds the job must end with one of its messages or Done.
TEST(RepairOption, TheScanStaysLinearOnHostileFiles) {
    const int units = 300000;
    const auto repeated = [units](const std::function<std::string(int)>& unit) {
        std::string text = head;
        for (int i = 0; i < units; ++i) text += unit(i);
        return text;
    };
    const std::string catalogue = "1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj 2 0 obj<</Type/Pages/Count 0>>endobj\n";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"unclosed dictionaries", repeated([](int i) { return std::to_string(i % 1000 + 1) + " 0 obj<<(\n"; })},
        {"unclosed trailers", repeated([](int) { return "trailer<<(\n"; })},
        {"streams without endstream",
         repeated([](int i) { return std::to_string(i % 1000 + 1) + " 0 obj<</Length 0>>stream\n"; })},
        {"a line of commented trailers", repeated([](int) { return "trailer%"; })},
        {"trailers of a catalogue without pages", catalogue + repeated([](int) { return "trailer<</Root 1 0 R>>\n"; })},
        {"one long string of headers", head + "1 0 obj<</T (" + repeated([](int) { return "2 0 obj "; }) + ")>>endobj"},
        {"object streams", repeated([](int i) {
             return std::to_string(i + 10) +
                    " 0 obj<</Type/ObjStm/N 1/First 4/Length 10>>stream\n5 0 (x)\n\nendstream endobj\n";
         })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        writeFile(folder / "in.pdf", c.bytes);
        const ProcessResult run = runProcess(
            {"sh", "-c", std::string(scanCpuSecondsLimit) + "exec \"$0\" -iin.pdf -oout.pdf -pall -r90 -repair",
             FOLIOTURN_PROGRAM},
            folder.path());
        ASSERT_EQ(0, run.signal) << "past the bound of CPU seconds (" << scanCpuSecondsLimit << ")?";
        if (run.output.ends_with("Done.\n")) EXPECT_EQ(0, run.exitCode);
        else EXPECT_TRUE(run.output.ends_with("PDF file was damaged") && run.exitCode == 2) << run.output;
    }
}

}  // namespace
