// The man page against the program: every option that --help lists, in the
// classic usage text or after it, has an entry of its own in the man page, and
// the messages that the program prints are in it.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

struct HelpOption {
    std::string name;  // "-force", "--help", or "-i" for "-i<filename>"
    bool takesValue;   // the value follows the name without a space
};

// The lines of the help text that start with an option and " - ".
std::vector<HelpOption> optionsListedBy(const std::string& help) {
    static const std::regex optionLine("^(--?[a-z]+)(<[^>]*>)? - .*");
    std::vector<HelpOption> options;
    std::istringstream lines(help);
    std::smatch match;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, match, optionLine)) options.push_back({match[1], match[2].matched});
    return options;
}

// The man page as plain text, on lines too long to wrap, with no hyphenation.
std::string renderedManPage() {
    return runProcess({"groff", "-man", "-Tascii", "-P-cbou", "-rLL=300n", "-rHY=0", FOLIOTURN_MAN_PAGE}).output;
}

// An entry is a paragraph tagged with the option at the list's indent: the
// name alone, or the name with its value joined to it.
bool hasEntry(const std::string& page, const HelpOption& option) {
    const std::string tag = "\n       " + option.name;
    for (size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1)) {
        const char next = at + tag.size() < page.size() ? page[at + tag.size()] : '\n';
        if (option.takesValue ? std::isalpha(static_cast<unsigned char>(next)) : next == ' ' || next == '\n')
            return true;
    }
    return false;
}

TEST(ManPage, HasAnEntryForEveryOptionThatHelpLists) {
    const ProcessResult help = runFolioturn({"--help"});
    const std::vector<HelpOption> options = optionsListedBy(help.output);
    ASSERT_GE(options.size(), 11u) << help.output;  // nine classic lines, --help and --version
    const std::string page = renderedManPage();
    ASSERT_NE(std::string::npos, page.find("OPTIONS")) << page;
    for (const HelpOption& option : options) EXPECT_TRUE(hasEntry(page, option)) << option.name;
}

// Runs of white space as one space: groff pads the lines it justifies.
std::string singleSpaced(const std::string& text) {
    std::string spaced;
    for (const char c : text) {
        const bool blank = std::isspace(static_cast<unsigned char>(c));
        if (!blank) spaced += c;
        else if (!spaced.empty() && spaced.back() != ' ') spaced += ' ';
    }
    return spaced;
}

// A page that the cross-reference lists with its catalogue and page tree; the
// catalogue's extra entries and further objects come from the case.
std::string onePagePdf(const std::string& junk, const std::string& catalogueExtra,
                       const std::vector<std::pair<int, int>>& missing = {}) {
    PdfBuilder pdf(junk);
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R" + catalogueExtra + " >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>");
    pdf.object(4, "<< /Type /Sig >>");
    for (const auto& [number, offset] : missing) pdf.entry(number, 1, static_cast<uint32_t>(offset), 0);
    pdf.startxref(pdf.table("/Size " + std::to_string(5 + missing.size()) + " /Root 1 0 R"));
    return pdf.bytes();
}

struct MessageCase {
    const char* name;
    std::vector<std::string> phrases;  // what the program prints and the man page must say
    std::function<ProcessResult(const TemporaryFolder&)> run;
};
void PrintTo(const MessageCase& c, std::ostream* out) { *out << c.name; }

class ManPageMessages : public testing::TestWithParam<MessageCase> {};

TEST_P(ManPageMessages, AreTheProgramsOwn) {
    const MessageCase& c = GetParam();
    TemporaryFolder folder;
    const ProcessResult run = c.run(folder);
    const std::string page = singleSpaced(renderedManPage());
    for (const std::string& phrase : c.phrases) {
        ASSERT_NE(std::string::npos, run.output.find(phrase)) << run.output;
        EXPECT_NE(std::string::npos, page.find(singleSpaced(phrase))) << phrase;
    }
}

ProcessResult listRun(const TemporaryFolder& folder, const std::string& list) {
    writeFile(folder / "list.txt", list);
    return runFolioturn({"-ilist.txt", "-fout", "-p1"}, folder.path());
}

ProcessResult jobOn(const TemporaryFolder& folder, const std::string& pdf, const std::vector<std::string>& options) {
    writeFile(folder / "in.pdf", pdf);
    return runJob(folder / "in.pdf", folder / "out.pdf", options);
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ManPageMessages,
    testing::Values(
        MessageCase{"ListLineRefused",
                    {"List line refused, it must name a file inside the current folder"},
                    [](const TemporaryFolder& f) { return listRun(f, "/etc/hosts.pdf\n"); }},
        MessageCase{"ListLineTooLong",
                    {"List line refused, longer than the longest path"},
                    [](const TemporaryFolder& f) { return listRun(f, std::string(100000, 'x') + "\n"); }},
        MessageCase{"ListIsAFolder",
                    {"Unable to open file list: '", "it is a folder, not a file"},
                    [](const TemporaryFolder& f) {
                        std::filesystem::create_directories(f / "list.txt");
                        return runFolioturn({"-ilist.txt", "-fout", "-p1"}, f.path());
                    }},
        MessageCase{"UpdateRefused",
                    {"Cannot append an incremental update: ", "the file does not begin with its %PDF- header"},
                    [](const TemporaryFolder& f) { return jobOn(f, onePagePdf("junk\n", ""), {"-incremental"}); }},
        MessageCase{"CertificationNote",
                    {"Note: the document carries a certification signature; viewers will report the rotation as a "
                     "change made after signing"},
                    [](const TemporaryFolder& f) {
                        return jobOn(f, onePagePdf("", " /Perms << /DocMDP 4 0 R >>"), {"-p1", "-r90", "-incremental"});
                    }},
        MessageCase{"UnreadableObjects",
                    {"Warning: ", "objects that the cross-reference lists in use could not be read and were left out"},
                    [](const TemporaryFolder& f) {
                        return jobOn(f, onePagePdf("", "", {{5, 900000}, {6, 900100}}), {"-p1"});
                    }},
        MessageCase{"LinkLoop",
                    {"Output file create error: "},
                    [](const TemporaryFolder& f) {
                        EXPECT_EQ(0, ::symlink("out.pdf", (f / "loop.pdf").c_str()));
                        EXPECT_EQ(0, ::symlink("loop.pdf", (f / "out.pdf").c_str()));
                        return jobOn(f, onePagePdf("", ""), {"-p1"});
                    }}),
    caseName);

}  // namespace
