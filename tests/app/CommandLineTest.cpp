// The options after the first two arguments, and what is said about those that
// are ignored or look mistyped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/JobOptions.h"

namespace {

struct Parsed {
    JobOptions options;
    std::vector<std::string> warnings;
};

Parsed parseLater(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"folioturn", "-ia.pdf", "-ob.pdf"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    Parsed parsed;
    parseLaterOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, &parsed.warnings);
    return parsed;
}

TEST(LaterOptions, KnownOptionsRaiseNoWarning) {
    const Parsed parsed = parseLater({"-p1-3", "-r-90", "-force", "-repair", "-incremental", "-continue", "-podd", "-p"});
    EXPECT_EQ(std::vector<std::string>{}, parsed.warnings);
    EXPECT_TRUE(parsed.options.keepGoing);
    EXPECT_EQ(-90, parsed.options.rotation);
}

TEST(LaterOptions, AValueAfterABareOptionIsNamedWithTheWayToWriteIt) {
    EXPECT_EQ(std::vector<std::string>{"\"1\" ignored: a value follows its option without a space, as in -p1"},
              parseLater({"-p", "1"}).warnings);
    EXPECT_EQ((std::vector<std::string>{"\"-r\" ignored: -r takes a whole number of degrees, as in -r90",
                                        "\"90\" ignored: a value follows its option without a space, as in -r90"}),
              parseLater({"-r", "90"}).warnings);
    EXPECT_EQ(PageSelection::All, parseLater({"-p", "1"}).options.selection) << "the bare -p still selects every page";
}

TEST(LaterOptions, MistypedOptionsAreIgnoredWithASuggestion) {
    EXPECT_EQ(std::vector<std::string>{"\"--force\" ignored: unknown option; did you mean -force?"},
              parseLater({"--force"}).warnings);
    EXPECT_FALSE(parseLater({"--force"}).options.force) << "a warning changes nothing that is done";
    EXPECT_EQ(std::vector<std::string>{"\"-Repair\" ignored: unknown option; did you mean -repair?"},
              parseLater({"-Repair"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"--pall\" ignored: unknown option; did you mean -pall?"},
              parseLater({"--pall"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"-x\" ignored: unknown option"}, parseLater({"-x"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"-oc.pdf\" ignored: the input and the output are the first two arguments"},
              parseLater({"-oc.pdf"}).warnings);
}

TEST(LaterOptions, ARotationThatIsNoMultipleOf90IsWrittenWithAWarning) {
    const Parsed parsed = parseLater({"-r45"});
    EXPECT_EQ(45, parsed.options.rotation);
    EXPECT_EQ(std::vector<std::string>{"-r45: a page's /Rotate must be a multiple of 90 (ISO 32000); 45 is written as "
                                       "given"},
              parsed.warnings);
    EXPECT_EQ(1u, parseLater({"-r1000"}).warnings.size());
    EXPECT_EQ(0u, parseLater({"-r45", "-r450"}).warnings.size()) << "the last -r counts, and 450 is a multiple of 90";
    EXPECT_EQ(0u, parseLater({"-r-270"}).warnings.size());
}

}  // namespace
