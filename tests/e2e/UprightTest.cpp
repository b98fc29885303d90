// "-rauto" and the auto angle: each page is given the rotation under which its
// text reads upright. The pages of tests/pages/make-upright.py hold text in known
// directions; mutool's structured text, an independent reader, tells how each
// page reads as shown before and after, and qpdf tells what was written.
#include <fstream>
#include <map>
#include <sstream>

#include "E2eSupport.h"
#include "UprightSet.h"

namespace {

using namespace e2e;

std::string countLine(const std::vector<ExpectedPage>& pages) {
    size_t turned = 0, upright = 0, none = 0;
    for (const ExpectedPage& page : pages)
        (page.verdict == "turned" ? turned : page.verdict == "upright" ? upright : none)++;
    return "Pages turned upright: " + std::to_string(turned) + ", already upright: " + std::to_string(upright) +
           ", without text to judge: " + std::to_string(none);
}

std::string uprightHead(const std::string& input, const std::string& output, const std::string& pages) {
    return "Rotating file: " + input + " to " + output + ", upright, Pages: " + pages + "\nProcessing";
}

double uprightShare(const Directions& directions) {
    size_t all = 0;
    for (const auto& [direction, count] : directions) all += count;
    const auto upright = directions.find("1 0");
    return all == 0 ? 0 : double(upright == directions.end() ? 0 : upright->second) / double(all);
}

// The pages whose reading mutool is asked for, as its page list and as indexes.
std::string checkedPages(const std::vector<ExpectedPage>& pages, std::vector<size_t>& indexes) {
    std::string list;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].check == "-") continue;
        if (!list.empty()) list += ',';
        list += std::to_string(i + 1);
        indexes.push_back(i);
    }
    return list;
}

// Every judged page reads upright afterwards ("all": every line; "most": 80 % of
// the characters), and every page that was turned did not before.
testing::AssertionResult readsUpright(const std::string& input, const std::string& output,
                                      const std::vector<ExpectedPage>& pages, const std::string& password = "") {
    std::vector<size_t> indexes;
    const std::string list = checkedPages(pages, indexes);
    const std::vector<Directions> before = shownDirections(input, list, password),
                                  after = shownDirections(output, list, password);
    if (before.size() != indexes.size() || after.size() != indexes.size())
        return testing::AssertionFailure()
               << "mutool read " << before.size() << " and " << after.size() << " pages of " << indexes.size();
    for (size_t i = 0; i < indexes.size(); ++i) {
        const ExpectedPage& page = pages[indexes[i]];
        const double share = uprightShare(after[i]);
        if (after[i].empty() || share < (page.check == "all" ? 1.0 : 0.8))
            return testing::AssertionFailure() << "page " << indexes[i] + 1 << " (" << page.name << ") reads "
                                               << share * 100 << " % upright afterwards";
        if (page.verdict == "turned" && uprightShare(before[i]) >= 0.8)
            return testing::AssertionFailure()
                   << "page " << indexes[i] + 1 << " (" << page.name << ") read upright before";
    }
    return testing::AssertionSuccess();
}

// Each page's own /Rotate afterwards, as isRotatedCopy takes them: "." for a
// page that keeps its own.
std::string ownRotations(const std::vector<ExpectedPage>& pages) {
    std::string text;
    for (const ExpectedPage& page : pages) text += (text.empty() ? "" : " ") + page.rotate;
    return text;
}

std::string pageRange(size_t count) { return "1-" + std::to_string(count); }

// The generated file in other layouts, made by qpdf: its objects in object
// streams, and encrypted with RC4 and with AES-256.
struct Layout {
    const char* name;
    std::vector<std::string> qpdfOptions;  // empty: the file as generated
    std::string password;
};
void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

const Layout layouts[] = {
    {"Classic", {}, ""},
    {"ObjectStreams", {"--object-streams=generate"}, ""},
    {"Rc4", {"--encrypt", "user", "owner", "128", "--use-aes=n", "--"}, "user"},
    {"Aes256", {"--object-streams=generate", "--encrypt", "user", "owner", "256", "--"}, "user"},
};

std::string inLayout(const Layout& layout, const std::string& source, TemporaryFolder& folder) {
    if (layout.qpdfOptions.empty()) return source;
    std::vector<std::string> command = {"qpdf", "--allow-weak-crypto"};
    command.insert(command.end(), layout.qpdfOptions.begin(), layout.qpdfOptions.end());
    command.push_back(source);
    command.push_back(folder / "in.pdf");
    const ProcessResult made = runProcess(command);
    EXPECT_EQ(0, made.exitCode) << made.errors;
    return folder / "in.pdf";
}

class UprightDirections : public testing::TestWithParam<std::tuple<Layout, bool>> {};

TEST_P(UprightDirections, EveryJudgedPageReadsUprightAfterwards) {
    const auto& [layout, incremental] = GetParam();
    TemporaryFolder folder;
    const std::vector<ExpectedPage> pages = expectations("directions");
    const std::string input = inLayout(layout, uprightSetFile("directions.pdf"), folder);
    const std::string output = folder / "out.pdf";
    std::vector<std::string> options = {"-pall", "-rauto"};
    if (incremental) options.push_back("-incremental");
    if (!layout.password.empty()) options.push_back("-password" + layout.password);
    const ProcessResult run = runJob(input, output, options);
    EXPECT_EQ(banner + uprightHead(input, output, pageRange(pages.size())) + "\n" + countLine(pages) + "\nDone.\n",
              run.output);
    ASSERT_TRUE(qpdfCheckClean(output, layout.password));
    EXPECT_TRUE(isRotatedCopy(input, output, ownRotations(pages), layout.password));
    EXPECT_TRUE(readsUpright(input, output, pages, layout.password));
}

INSTANTIATE_TEST_SUITE_P(E2e, UprightDirections, testing::Combine(testing::ValuesIn(layouts), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Incremental" : "FullRewrite");
                         });

// -repair reads a valid file as it is: the same pages turned, nothing more said.
TEST(Upright, RepairTurnsTheSamePages) {
    TemporaryFolder folder;
    const std::vector<ExpectedPage> pages = expectations("directions");
    const std::string input = uprightSetFile("directions.pdf"), output = folder / "out.pdf";
    const ProcessResult run = runJob(input, output, {"-pall", "-rauto", "-repair"});
    EXPECT_EQ(banner + uprightHead(input, output, pageRange(pages.size())) + "\n" + countLine(pages) + "\nDone.\n",
              run.output);
    EXPECT_TRUE(isRotatedCopy(input, output, ownRotations(pages)));
}

// Hostile pages come out without text to judge, at little cost, and the pages
// around them are still turned.
TEST(Upright, HostileContentCostsLittleAndIsNotJudged) {
    TemporaryFolder folder;
    const std::vector<ExpectedPage> pages = expectations("hostile");
    const std::string input = uprightSetFile("hostile.pdf"), output = folder / "out.pdf";
    for (const bool incremental : {false, true}) {
        std::vector<std::string> command = programUnderTest(FOLIOTURN_PROGRAM);
        command.insert(command.end(), {"-i" + input, "-o" + output, "-pall", "-rauto"});
        if (incremental) command.push_back("-incremental");
        const ProcessResult run =
            runProcess(command, "", false, 60);  // CPU seconds, with room for the sanitizer builds
        EXPECT_EQ(banner + uprightHead(input, output, pageRange(pages.size())) + "\n" + countLine(pages) + "\nDone.\n",
                  run.output);
        EXPECT_TRUE(isRotatedCopy(input, output, ownRotations(pages)));
        EXPECT_TRUE(readsUpright(input, output, pages));
    }
}

// Items with an auto angle beside items with their own: only the auto ones are
// judged and counted; the others get their angle as always.
TEST(Upright, AutoItemsBesideAngles) {
    TemporaryFolder folder;
    const std::vector<ExpectedPage> all = expectations("directions");
    const std::string input = uprightSetFile("directions.pdf"), output = folder / "out.pdf";
    struct Case {
        std::vector<std::string> options;
        std::string head;
        size_t firstAuto, endAuto;  // the auto pages, counted from 0
        std::string others;         // what the other pages' own /Rotate becomes
    };
    const std::string last = std::to_string(all.size());
    const Case cases[] = {
        {{"-p1-10:auto,11-end:0"}, "Pages: 1-10 at auto, 11-" + last + " at 0", 0, 10, "0"},
        {{"-p1-3:90,4-end", "-rauto"}, "Pages: 1-3 at 90, 4-" + last + " at auto", 3, all.size(), "90"},
        {{"-p5-12", "-rauto"}, "upright, Pages: 5-12", 4, 12, "."},
        {{"-r90", "-p1-20", "-rauto"}, "upright, Pages: 1-20", 0, 20, "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        std::vector<ExpectedPage> judged(all.begin() + ptrdiff_t(c.firstAuto), all.begin() + ptrdiff_t(c.endAuto));
        std::vector<ExpectedPage> pages = all;
        for (size_t i = 0; i < pages.size(); ++i)
            if (i < c.firstAuto || i >= c.endAuto) pages[i].rotate = c.others;
        const ProcessResult run = runJob(input, output, c.options);
        EXPECT_EQ(banner + "Rotating file: " + input + " to " + output + ", " + c.head + "\nProcessing\n" +
                      countLine(judged) + "\nDone.\n",
                  run.output);
        EXPECT_TRUE(isRotatedCopy(input, output, ownRotations(pages)));
    }
}

// -force adds an angle to the rotation shown; an auto angle asks for none, so
// the pair is refused before any file is written, as other conflicts are.
TEST(Upright, ForceWithAnAutoAngleIsRefused) {
    TemporaryFolder folder;
    const std::string input = uprightSetFile("directions.pdf"), output = folder / "out.pdf";
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-pall", "-rauto", "-force"}, {"-force", "-p1-3:auto,4:90"}}) {
        const ProcessResult run = runJob(input, output, options);
        EXPECT_EQ(banner +
                      "-force cannot be used with an auto angle: -rauto and :auto give each page the rotation under "
                      "which its text reads upright, whatever rotation it shows\n",
                  run.output);
        EXPECT_EQ(2, run.exitCode);
        EXPECT_FALSE(exists(output));
    }
    // -force with angles of their own stays allowed.
    EXPECT_TRUE(runJob(input, output, {"-p1-3:90", "-force"}).output.ends_with("\nDone.\n"));
}

// A list run judges each file on its own, each with its count line; -continue
// goes on past a file that fails.
TEST(Upright, ListRunsCountEachFile) {
    TemporaryFolder folder;
    writeFile(folder / "a.pdf", readFile(uprightSetFile("directions.pdf")));
    writeFile(folder / "broken.pdf", "%PDF-1.4\nnot a file\n");
    writeFile(folder / "b.pdf", readFile(example("sample.pdf")));
    writeFile(folder / "list.txt", "a.pdf\nbroken.pdf\nb.pdf\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-pall", "-rauto", "-continue"}, folder.path());
    const std::string out = "out" + listSeparator();
    const std::string first = uprightHead("a.pdf", out + "a.pdf", pageRange(expectations("directions").size())) + "\n" +
                              countLine(expectations("directions")) + "\nDone.\n";
    const std::string last = uprightHead("b.pdf", out + "b.pdf", "1-6") +
                             "\nPages turned upright: 3, already upright: 3, without text to judge: 0\nDone.\n";
    EXPECT_NE(std::string::npos, run.output.find(first)) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(last)) << run.output;
    EXPECT_LT(run.output.find(first), run.output.find(last));
    EXPECT_TRUE(readsUpright(folder / "b.pdf", folder / "out/b.pdf",
                             std::vector<ExpectedPage>(6, ExpectedPage{"sample", "upright", ".", "all"})));
}

}  // namespace
