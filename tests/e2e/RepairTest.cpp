// Damaged files and -repair. tests/repair/make-damaged.py writes one small file per
// kind of damage into the build tree; qpdf, an independent reader, decides which
// of them can be recovered at all. For each file the program's answer without
// -repair is a contract (scripts sort damaged files by these messages). With
// -repair, every file that qpdf recovers must come out as a sound file with the
// pages that qpdf finds, each rotated; the others must still end in one of the
// program's messages, or in sound output.
#include <algorithm>
#include <filesystem>
#include <set>

#include "E2eSupport.h"

namespace {

using namespace e2e;

// What qpdf makes of the file: rotated by `qpdf IN --rotate=90 OUT` into output that
// its own --check passes, or not.
enum class Qpdf { Recovers, Fails };

// Where the job stands when it stops without -repair: before the output is named,
// while it counts the pages, after "Processing", or at its end.
enum class Stage { Opening, Counting, Processing, Done };

struct DamagedCase {
    const char* name;
    Qpdf qpdf;
    Stage stage;
    std::string message;     // the job's last words without -repair, after the head that `stage` gives
    const char* pages = "";  // the page text the job prints, from Processing on
    // A file whose last complete revision is older than some objects after it: the
    // pages of that revision (as qpdf reads this sound file) are accepted as well.
    const char* olderRevision = nullptr;
};
void PrintTo(const DamagedCase& c, std::ostream* out) { *out << c.name; }

DamagedCase opening(const char* name, Qpdf qpdf, const std::string& message) {
    return {name, qpdf, Stage::Opening, message};
}
DamagedCase processing(const char* name, Qpdf qpdf, const char* pages, const std::string& message) {
    return {name, qpdf, Stage::Processing, message, pages};
}
DamagedCase done(const char* name, const char* pages = "1-4", const char* olderRevision = nullptr) {
    return {name, Qpdf::Recovers, Stage::Done, "", pages, olderRevision};
}

const std::string damaged = "PDF file was damaged";
const std::string noXref = "Couldn't parse an xref";
const std::string noXrefTable = "Couldn't parse an xref table";
const std::string noXrefStream = "Couldn't parse an xref stream";
const std::string sizeWrongType = "Size of xref Stream is wrong type";
const std::string streamEnds = "Unexpected EOF while reading xref stream section";
const std::string corrupted = "Corrupted PDF file";
constexpr Qpdf recovers = Qpdf::Recovers, fails = Qpdf::Fails;
std::string noEnd(int object) {
    return "\nOutput check failed: object " + std::to_string(object) + " has no end that a reader finds\n";
}

// Every file that make-damaged.py writes but the sound ones, and the program's answer today.
const DamagedCase damagedCases[] = {
    // The cross-reference cannot be found.
    opening("no-startxref", recovers, damaged),
    opening("no-startxref-xref-stream", fails, damaged),
    opening("no-startxref-hybrid", fails, damaged),
    opening("startxref-past-end", recovers, noXref),
    opening("startxref-zero", recovers, damaged),
    opening("startxref-into-garbage", recovers, noXrefStream),
    opening("startxref-into-garbage-xref-stream", fails, noXrefStream),
    // It is found but does not parse.
    opening("table-keyword-missing", recovers, noXref),
    opening("table-unparseable", recovers, noXrefTable),
    opening("xref-stream-unparseable", fails, streamEnds),
    opening("xref-stream-unparseable-update", recovers, streamEnds),
    opening("xref-stream-size-wrong-type", fails, sizeWrongType),
    opening("xref-stream-size-wrong-type-update", recovers, sizeWrongType),
    opening("xref-stream-w-wrong-length", fails, "W item of xref Stream is wrong length"),
    opening("hybrid-xrefstm-into-garbage", fails, noXrefStream),
    // The trailer's Prev chain leads nowhere.
    opening("prev-into-garbage", recovers, noXrefStream),
    opening("prev-past-end", recovers, noXref),
    // Entries that do not point at their objects.
    processing("offsets-shifted-all", recovers, "1-0", damaged + "\n"),
    processing("offsets-shifted-some", recovers, "1-4", damaged),
    processing("offsets-swapped", recovers, "1-4", damaged),
    processing("offsets-into-garbage-catalogue", recovers, "1-0", damaged + "\n"),
    processing("offsets-into-garbage-page-tree", recovers, "1-0", damaged + "\n"),
    // The catalogue or the page tree is missing altogether.
    processing("root-missing", fails, "1-0", corrupted),
    processing("pages-missing", fails, "1-0", corrupted),
    // Cut short: the plain file loses its trailer; in an update, the original's stays.
    opening("truncated-after-last-page", fails, damaged),
    opening("truncated-mid-stream", fails, damaged),
    opening("truncated-mid-table", fails, damaged),
    done("truncated-in-update-mid-stream"),
    done("truncated-in-update-after-page", "1-4", "sound-classic"),
    // Line endings converted from LF to CRLF.
    opening("crlf-text-streams", recovers, noXref),
    opening("crlf-binary-stream", fails, noXref),
    opening("crlf-xref-stream", fails, noXref),
    // Tables as some producers write them.
    opening("table-entries-with-junk", recovers, noXrefTable),
    done("table-blank-lines"),
    done("table-short-lines"),
    // A page tree whose /Count disagrees with its leaves.
    DamagedCase{"count-too-high", recovers, Stage::Counting, damaged},
    done("count-too-low", "1-2"),
    done("count-node-wrong"),
    // Streams with a wrong /Length.
    done("length-too-long"),
    done("length-too-short"),
    done("length-past-end"),
    // The same number twice and no table: the later definition counts.
    opening("duplicate-object", recovers, damaged),
    // Objects in an object stream that no cross-reference lists.
    opening("objstm-xref-lost", fails, damaged),
    opening("objstm-xref-lost-with-trailer", fails, damaged),
    // A stream whose "endstream" is missing: blanked (the offsets stay right), or
    // cut out with its "endobj" (every later offset is off).
    processing("endstream-blanked-classic", recovers, "1-4", noEnd(8)),
    processing("endstream-blanked-xref-stream", recovers, "1-4", noEnd(8)),
    processing("endstream-blanked-linearized", recovers, "1-4", noEnd(14)),
    processing("endstream-blanked-linearized-objstm", recovers, "1-4", noEnd(17)),
    opening("endstream-endobj-deleted-classic", fails, noXrefStream),
    opening("endstream-endobj-deleted-xref-stream", fails, noXref),
    opening("endstream-endobj-deleted-linearized", recovers, noXrefStream),
    opening("endstream-endobj-deleted-linearized-objstm", fails, noXref),
    // A stream /Length a few bytes off, of a content stream and of an object stream.
    done("length-3-short-classic"),
    done("length-3-short-xref-stream"),
    done("length-3-short-linearized"),
    done("length-3-short-linearized-objstm"),
    done("length-10-long-classic"),
    done("length-10-long-xref-stream"),
    done("length-10-long-linearized"),
    done("length-10-long-linearized-objstm"),
    DamagedCase{"objstm-length-3-short-xref-stream", recovers, Stage::Counting, "Missing 'endstream'"},
    DamagedCase{"objstm-length-3-short-linearized-objstm", recovers, Stage::Counting, "Missing 'endstream'"},
    DamagedCase{"objstm-length-10-long-xref-stream", recovers, Stage::Counting, "Missing 'endstream'"},
    DamagedCase{"objstm-length-10-long-linearized-objstm", recovers, Stage::Counting, "Missing 'endstream'"},
    // Objects without "endobj": the page tree's root (blanked), a content stream (cut out).
    processing("endobj-blanked-pages-classic", recovers, "1-0", "Invalid page number 0"),
    processing("endobj-blanked-pages-linearized", recovers, "1-0", "Invalid page number 0"),
    opening("endobj-deleted-stream-classic", recovers, noXrefStream),
    opening("endobj-deleted-stream-xref-stream", fails, noXref),
    opening("endobj-deleted-stream-linearized", recovers, noXrefStream),
    opening("endobj-deleted-stream-linearized-objstm", fails, noXref),
    // Linearized files without "startxref": the rebuild must take object streams
    // whose /N is beyond the plain objects found.
    opening("no-startxref-linearized", recovers, damaged),
    opening("no-startxref-linearized-objstm", fails, damaged),
    // Page trees as some producers write them.
    processing("kids-direct-page", recovers, "1-4", damaged),
    done("pages-node-without-type"),
    done("pages-node-typed-page"),
    done("page-without-type"),
    // Containers left open at "endobj": qpdf reads such an object as null and loses
    // the pages under it; -repair writes it closed, so that no page is lost.
    processing("unclosed-catalogue", fails, "1-4", damaged),
    processing("unclosed-kids", fails, "1-4", damaged),
    processing("unclosed-page", fails, "1-4", damaged),
    processing("unclosed-page-array", fails, "1-4", damaged),
    processing("unclosed-page-key-without-value", fails, "1-4", damaged),
    processing("unclosed-page-stray-close", fails, "1-4", damaged),
};

const char* const soundFiles[] = {"sound-classic",          "sound-xref-stream",         "sound-hybrid",
                                  "sound-updated",          "sound-updated-xref-stream", "sound-linearized",
                                  "sound-linearized-objstm"};

// The sound file that a damaged file was made from, for the kinds of damage that
// the generator makes in several layouts (named after the layout) or in the
// classic one alone; null for the others.
const char* soundFileOf(const std::string& name) {
    static const std::string layouts[][2] = {{"-linearized-objstm", "sound-linearized-objstm"},
                                             {"-linearized", "sound-linearized"},
                                             {"-xref-stream", "sound-xref-stream"},
                                             {"-classic", "sound-classic"}};
    const bool aimed = name.starts_with("endstream-") || name.starts_with("endobj-") || name.starts_with("length-3") ||
                       name.starts_with("length-10") || name.starts_with("objstm-length") ||
                       name.starts_with("no-startxref-linearized");
    if (aimed) {
        for (const auto& [suffix, sound] : layouts) {
            if (name.ends_with(suffix)) return sound.c_str();
        }
    }
    if (name == "kids-direct-page" || name.starts_with("pages-node-") || name == "page-without-type" ||
        name.starts_with("unclosed-"))
        return "sound-classic";
    return nullptr;
}

auto testName = [](const testing::TestParamInfo<DamagedCase>& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(RepairSet, HoldsExactlyTheListedFiles) {
    std::set<std::string> listed;
    for (const DamagedCase& c : damagedCases) listed.insert(std::string(c.name) + ".pdf");
    for (const char* name : soundFiles) listed.insert(std::string(name) + ".pdf");
    std::set<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(FOLIOTURN_REPAIR_SET))
        made.insert(entry.path().filename());
    EXPECT_EQ(listed, made);
}

TEST(RepairSet, SoundFilesAreSoundAndHoldFourPages) {
    for (const char* name : soundFiles) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(qpdfCheckClean(repairSetFile(name)));
        const auto pages = qpdfPages(repairSetFile(name));
        ASSERT_TRUE(pages.has_value());
        EXPECT_EQ(4u, pages->size());
    }
}

class DamagedFile : public testing::TestWithParam<DamagedCase> {
protected:
    std::string input() const { return repairSetFile(GetParam().name); }
    TemporaryFolder folder;
    const std::string output = folder / "out.pdf";
};

// The list's verdicts are qpdf's: a file qpdf recovers is rotated into clean output
// with the pages qpdf finds in it; a file it fails on gives no such output.
TEST_P(DamagedFile, QpdfRecoversExactlyTheFilesListedSo) {
    const ProcessResult rotated = runProcess({"qpdf", input(), "--rotate=90", output}, "", true);
    const bool clean = (rotated.exitCode == 0 || rotated.exitCode == 3) && qpdfCheckClean(output);
    ASSERT_EQ(GetParam().qpdf == Qpdf::Recovers, clean) << rotated.output;
    if (!clean) return;
    const auto before = qpdfPages(input()), after = qpdfPages(output);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(4u, before->size());
    EXPECT_EQ(before->size(), after->size());
}

TEST_P(DamagedFile, WithoutRepairGivesTheProgramsAnswerOfToday) {
    const DamagedCase& c = GetParam();
    const ProcessResult run = runJob(input(), output, {"-pall", "-r90"});
    std::string expected = "Rotating file: " + input();
    if (c.stage == Stage::Counting) expected += " to " + output;
    if (c.stage == Stage::Processing) expected = jobHead(input(), output, 90, c.pages);
    if (c.stage == Stage::Done) expected = jobDone(input(), output, 90, c.pages);
    EXPECT_EQ(banner + expected + c.message, run.output);
    EXPECT_EQ(c.stage == Stage::Done ? 0 : 2, run.exitCode);
    EXPECT_EQ(c.stage == Stage::Done, exists(output)) << "a failed job leaves no output";
}

// qpdf --check complains of nothing but compressed data that does not decode. A
// line-end conversion breaks the compressed data of a content stream beyond repair;
// the file around it can still be sound, with that page as broken as it was.
testing::AssertionResult soundButForUndecodableData(const std::string& pdf) {
    const ProcessResult check = runProcess({"qpdf", "--check", pdf}, "", true);
    for (const std::string& line : linesOf(check.output)) {
        const bool complaint = line.find("WARNING") != std::string::npos || line.find("ERROR") != std::string::npos;
        const bool aboutData = line.find("error decoding stream data") != std::string::npos ||
                               line.find("errors while decoding content stream") != std::string::npos;
        if (complaint && !aboutData)
            return testing::AssertionFailure() << "qpdf --check " << pdf << ":\n" << check.output;
    }
    return testing::AssertionSuccess();
}

// Sound output: qpdf checks it without a warning (for a file that qpdf does not
// recover, without one but about undecodable data) and finds pages, every one
// with its own /Rotate 90.
void expectSoundAndRotated(const std::string& output, const std::vector<QpdfPage>& pages, Qpdf qpdf = Qpdf::Recovers) {
    if (qpdf == Qpdf::Recovers) EXPECT_TRUE(qpdfCheckClean(output));
    else EXPECT_TRUE(soundButForUndecodableData(output));
    EXPECT_FALSE(pages.empty());
    for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ("90", pages[i].rotate) << "page " << i + 1;
}

// Content streams compare without the white space at their end, which the Length
// of a damaged stream may or may not take in.
std::vector<std::string> contentsOf(const std::vector<QpdfPage>& pages) {
    std::vector<std::string> contents;
    for (const QpdfPage& page : pages) {
        const size_t end = page.contents.find_last_not_of(" \t\r\n");
        contents.push_back(page.contents.substr(0, end == std::string::npos ? 0 : end + 1));
    }
    return contents;
}

TEST_P(DamagedFile, WithRepairIsRotatedIntoSoundOutputOrRefused) {
    const DamagedCase& c = GetParam();
    const ProcessResult run = runJob(input(), output, {"-pall", "-r90", "-repair"});
    const bool leftOut = run.output.find("\nWarning: ") != std::string::npos;
    EXPECT_EQ(!run.output.ends_with("\nDone.\n") ? 2 : leftOut ? 3 : 0, run.exitCode);
    const std::vector<std::string> lines = linesOf(run.output);
    ASSERT_GE(lines.size(), 2u) << run.output;
    EXPECT_EQ(0u, run.output.find(banner + "Rotating file: " + input())) << run.output;
    if (c.qpdf == Qpdf::Fails && lines.back() != "Done.") {
        std::set<std::string> messages;
        for (const DamagedCase& known : damagedCases) messages.insert(known.message);
        const auto isMessageEnding = [&](const std::string& m) { return !m.empty() && run.output.ends_with(m); };
        EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), isMessageEnding)) << run.output;
        EXPECT_FALSE(exists(output)) << "a failed job leaves no output";
        return;
    }
    ASSERT_EQ("Done.", lines.back()) << run.output;
    const bool saysRepaired = std::any_of(lines.begin() + 1, lines.end() - 1, [](const std::string& line) {
        return line.find("repaired") != std::string::npos;
    });
    // A file that the program reads today may be read without a repair to report.
    if (c.stage != Stage::Done) {
        EXPECT_TRUE(saysRepaired) << "no line says the file was repaired:\n" << run.output;
    }
    const auto after = qpdfPages(output);
    ASSERT_TRUE(after.has_value()) << "qpdf cannot read the output";
    expectSoundAndRotated(output, *after, c.qpdf);
    // Where qpdf loses pages, the output must still hold every page of the sound file.
    const bool pagesOfTheSoundFile = std::string_view(c.name).starts_with("unclosed-");
    if (c.qpdf == Qpdf::Fails && !pagesOfTheSoundFile) return;
    const auto before = qpdfPages(input());
    if (!pagesOfTheSoundFile) {
        ASSERT_TRUE(before.has_value());
        EXPECT_EQ(before->size(), after->size()) << "not the pages qpdf finds in the damaged file";
    }
    if (const char* sound = soundFileOf(c.name)) {
        EXPECT_EQ(contentsOf(qpdfPages(repairSetFile(sound)).value()), contentsOf(*after))
            << "pages with other contents than " << sound << " has";
        return;
    }
    if (c.olderRevision && contentsOf(*after) == contentsOf(qpdfPages(repairSetFile(c.olderRevision)).value())) return;
    EXPECT_EQ(contentsOf(*before), contentsOf(*after)) << "pages with other contents than qpdf finds";
}

INSTANTIATE_TEST_SUITE_P(Repair, DamagedFile, testing::ValuesIn(damagedCases), testName);

// Whatever the damage, a repaired output that lacks an object a page uses says so:
// here page 2's content stream has lost its header, so no scan can find it.
TEST(RepairLosses, AnObjectAPageUsesThatCannotBeRecoveredIsNamed) {
    TemporaryFolder folder;
    std::string bytes = readFile(repairSetFile("sound-classic"));
    const size_t header = bytes.find("\n9 0 obj");
    ASSERT_NE(std::string::npos, header);
    bytes.replace(header, 8, "\n9 0 xbj");
    writeFile(folder / "in.pdf", bytes);
    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-pall", "-r90", "-repair"});
    EXPECT_EQ(banner + jobHead(folder / "in.pdf", folder / "out.pdf", 90, "1-4") +
                  "\nFile repaired: the cross-reference was rebuilt by scanning the file"
                  "\nWarning: 1 object that a page uses was left out: 9 (page 2)\nDone.\n",
              run.output);
    const auto pages = qpdfPages(folder / "out.pdf");
    ASSERT_TRUE(pages.has_value());
    EXPECT_EQ(4u, pages->size());
}

// A damaged file ends a list run; with -repair the run goes on past it.
TEST(RepairListRun, RotatesTheDamagedFileAndTheFilesAfterIt) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "out");
    writeFile(folder / "a.pdf", readFile(repairSetFile("sound-classic")));
    writeFile(folder / "bad.pdf", readFile(repairSetFile("no-startxref")));
    writeFile(folder / "c.pdf", readFile(repairSetFile("sound-xref-stream")));
    writeFile(folder / "list.txt", "a.pdf\nbad.pdf\nc.pdf\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-pall", "-r90", "-repair"}, folder.path());
    const std::string out = "out" + listSeparator();
    EXPECT_EQ(0u, run.output.find(banner + jobDone("a.pdf", out + "a.pdf", 90, "1-4") + "Rotating file: bad.pdf"))
        << run.output;
    EXPECT_NE(std::string::npos, run.output.find("repaired")) << run.output;
    EXPECT_TRUE(run.output.ends_with(jobDone("c.pdf", out + "c.pdf", 90, "1-4"))) << run.output;
    for (const char* name : {"a.pdf", "bad.pdf", "c.pdf"}) {
        SCOPED_TRACE(name);
        const auto pages = qpdfPages(folder / ("out/" + std::string(name)));
        ASSERT_TRUE(pages.has_value());
        EXPECT_EQ(4u, pages->size());
        expectSoundAndRotated(folder / ("out/" + std::string(name)), *pages);
    }
}

}  // namespace
