// The man page against the program: every option that --help lists, in the
// classic usage text or after it, has an entry of its own in the man page.
#include <cctype>
#include <regex>
#include <sstream>

#include "E2eSupport.h"

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

}  // namespace
