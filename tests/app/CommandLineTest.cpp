// The command line read into a job's options: the first two arguments, the
// options after them, and what is said about those that are ignored or look mistyped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "limits/Messages.h"
#include "model/PdfException.h"

#include "app/CommandLine.h"

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
    const Parsed parsed =
        parseLater({"-p1-3", "-r-90", "-force", "-repair", "-incremental", "-continue", "-podd", "-p"});
    EXPECT_EQ(std::vector<std::string>{}, parsed.warnings);
    EXPECT_TRUE(parsed.options.keepGoing);
    EXPECT_EQ(-90, parsed.options.rotation);
}

TEST(LaterOptions, AValueAfterABareOptionIsNamedWithTheWayToWriteIt) {
    EXPECT_EQ(std::vector<std::string>{"\"1\" ignored: a value follows its option without a space, as in -p1"},
              parseLater({"-p", "1"}).warnings);
    EXPECT_EQ((std::vector<std::string>{"\"-r\" ignored: -r takes a whole number of degrees, as in -r90, or auto",
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
    EXPECT_EQ(std::vector<std::string>{"\"--compact\" ignored: unknown option; did you mean -compact?"},
              parseLater({"--compact"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"-x\" ignored: unknown option"}, parseLater({"-x"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"-oc.pdf\" ignored: the input and the output are the first two arguments"},
              parseLater({"-oc.pdf"}).warnings);
}

// An update keeps the input's bytes: -compact has nothing to do there, and is said to be ignored.
TEST(LaterOptions, CompactIsReadAndIgnoredWithIncrementalWithAWarning) {
    const Parsed alone = parseLater({"-compact"});
    EXPECT_TRUE(alone.options.compact);
    EXPECT_EQ(std::vector<std::string>{}, alone.warnings);
    const Parsed both = parseLater({"-incremental", "-p1", "-compact"});
    EXPECT_TRUE(both.options.incremental);
    EXPECT_EQ(std::vector<std::string>{"-compact ignored with -incremental: an incremental update keeps the input's "
                                       "bytes, and its compression with them"},
              both.warnings);
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

JobOptions parseAll(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "folioturn");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    return parseJobOptions(static_cast<int>(argv.size()), argv.data());
}

std::string failureOf(std::vector<std::string> arguments) {
    try {
        parseAll(std::move(arguments));
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    return "";
}

TEST(JobCommandLine, EachOptionSetsItsField) {
    const JobOptions options = parseAll({"-iin.pdf", "-oout.pdf", "-p2-3", "-r180", "-force", "-repair", "-incremental",
                                         "-continue", "-passwordsecret", "-compact"});
    EXPECT_EQ("in.pdf", options.inputName);
    EXPECT_EQ("out.pdf", options.outputName);
    EXPECT_EQ("2-3", options.pageText);
    EXPECT_EQ(PageSelection::List, options.selection);
    EXPECT_EQ(180, options.rotation);
    EXPECT_TRUE(options.force && options.repair && options.incremental && options.keepGoing && options.compact);
    EXPECT_EQ("secret", options.password.value_or("(none)"));
    EXPECT_FALSE(options.passwordFile.has_value());

    const JobOptions plain = parseAll({"-iin.pdf", "-oout.pdf"});
    EXPECT_EQ(PageSelection::All, plain.selection) << "no -p at all means every page";
    EXPECT_EQ(0, plain.rotation);
    EXPECT_FALSE(plain.force || plain.repair || plain.incremental || plain.keepGoing || plain.compact ||
                 plain.password);
}

TEST(JobCommandLine, InputAndOutputAreTheFirstTwoArgumentsOnly) {
    EXPECT_EQ(message::errorParameter, failureOf({}));
    EXPECT_EQ(message::errorParameter, failureOf({"-iin.pdf"}));
    EXPECT_EQ(message::inputParameterMissing, failureOf({"-oout.pdf", "-iin.pdf"}));
    EXPECT_EQ(message::outputParameterMissing, failureOf({"-iin.pdf", "-p1", "-oout.pdf"}));
    EXPECT_EQ("", parseAll({"-i", "-o"}).inputName) << "an empty name is the job's to refuse";
    EXPECT_EQ("out.pdf", parseAll({"-iin.pdf", "-oout.pdf", "-oother.pdf", "-ielse.pdf"}).outputName)
        << "-i and -o after the first two are ignored";
}

TEST(JobCommandLine, ANamedSelectionGovernsUntilABarePComesLast) {
    EXPECT_EQ(PageSelection::Odd, parseAll({"-ia", "-ob", "-podd", "-p1-3"}).selection);
    EXPECT_EQ(PageSelection::Even, parseAll({"-ia", "-ob", "-p1-3", "-peven"}).selection);
    EXPECT_EQ(PageSelection::LastHalf, parseAll({"-ia", "-ob", "-pfirsthalf", "-plasthalf"}).selection);
    EXPECT_EQ(PageSelection::All, parseAll({"-ia", "-ob", "-podd", "-p"}).selection);
    EXPECT_EQ(" ", parseAll({"-ia", "-ob", "-pall"}).pageText);
    EXPECT_EQ("4", parseAll({"-ia", "-ob", "-p1-3", "-p4"}).pageText) << "the last plain list counts";
}

TEST(JobCommandLine, RotationsAreReadAsTheCScannerReadsThem) {
    EXPECT_EQ(-90, parseAll({"-ia", "-ob", "-r-90"}).rotation);
    EXPECT_EQ(90, parseAll({"-ia", "-ob", "-r90x"}).rotation);
    EXPECT_EQ(0, parseAll({"-ia", "-ob", "-rx"}).rotation);
    EXPECT_EQ(2147483647, parseAll({"-ia", "-ob", "-r2147483647"}).rotation);
    EXPECT_EQ(-2147483648, parseAll({"-ia", "-ob", "-r-2147483648"}).rotation);
    EXPECT_EQ("", parseAll({"-ia", "-ob", "-r-2147483648"}).rotationBeyondRange);
}

// An angle beyond 32 bits is no angle: the job refuses the -r that gives it,
// when that one counts (the last).
TEST(JobCommandLine, RotationsBeyondThirtyTwoBitsAreKeptForTheJobToRefuse) {
    EXPECT_EQ("-r99999999999", parseAll({"-ia", "-ob", "-r99999999999"}).rotationBeyondRange);
    EXPECT_EQ("-r -2147483649x", parseAll({"-ia", "-ob", "-r -2147483649x"}).rotationBeyondRange);
    EXPECT_EQ("", parseAll({"-ia", "-ob", "-r99999999999", "-r90"}).rotationBeyondRange);
    EXPECT_EQ("-r36000000000000000000000",
              parseAll({"-ia", "-ob", "-r90", "-r36000000000000000000000"}).rotationBeyondRange);
    EXPECT_EQ(0u, parseLater({"-r99999999999"}).warnings.size()) << "refused, not warned of";
}

// -rauto is a rotation like -r<degrees>: the last of them counts, and an angle
// it follows is neither warned of nor refused.
TEST(JobCommandLine, RautoIsARotationAndTheLastRotationCounts) {
    const JobOptions automatic = parseAll({"-ia", "-ob", "-r45", "-r99999999999", "-rauto"});
    EXPECT_TRUE(automatic.upright);
    EXPECT_EQ(0, automatic.rotation);
    EXPECT_EQ("", automatic.rotationBeyondRange);
    EXPECT_EQ(0u, parseLater({"-r45", "-rauto"}).warnings.size());
    const JobOptions degrees = parseAll({"-ia", "-ob", "-rauto", "-r180"});
    EXPECT_FALSE(degrees.upright);
    EXPECT_EQ(180, degrees.rotation);
    EXPECT_FALSE(parseAll({"-ia", "-ob", "-r90"}).upright);
    // Only the whole word: others stay ignored with the hint for -r.
    EXPECT_FALSE(parseAll({"-ia", "-ob", "-rautox"}).upright);
    EXPECT_EQ(std::vector<std::string>{"\"-rAuto\" ignored: -r takes a whole number of degrees, as in -r90, or auto"},
              parseLater({"-rAuto"}).warnings);
}

TEST(LaterOptions, ItemAnglesThatAreNoMultipleOf90AreWarnedOfAsRsAre) {
    EXPECT_EQ((std::vector<std::string>{
                  "-p item \"1:45\": a page's /Rotate must be a multiple of 90 (ISO 32000); 45 is written as given",
                  "-p item \"odd:-1\": a page's /Rotate must be a multiple of 90 (ISO 32000); -1 is written as given"}),
              parseLater({"-p1:45,2:90,odd:-1,end:-270"}).warnings);
    // An item without an angle takes -r's, which is warned of once, as -r.
    EXPECT_EQ(1u, parseLater({"-p1,end", "-r45"}).warnings.size());
    EXPECT_EQ(0u, parseLater({"-p1:x45"}).warnings.size()) << "a list that does not read is told by the job";
    EXPECT_EQ(0u, parseLater({"-p1:45", "-podd"}).warnings.size()) << "the named selection counts";
    std::string many = "-p1:1";
    for (int i = 0; i < 20; ++i) many += ",1:1";
    const std::vector<std::string> warnings = parseLater({many}).warnings;
    ASSERT_EQ(6u, warnings.size());
    EXPECT_EQ("16 more -p items have an angle that is not a multiple of 90; each is written as given", warnings[5]);
}

TEST(JobCommandLine, OfPasswordAndPasswordFileTheLastOneCounts) {
    const JobOptions file = parseAll({"-ia", "-ob", "-passwordx", "-passwordfilekey.txt"});
    EXPECT_EQ("key.txt", file.passwordFile.value_or("(none)"));
    EXPECT_FALSE(file.password.has_value());
    const JobOptions text = parseAll({"-ia", "-ob", "-passwordfilekey.txt", "-password"});
    EXPECT_EQ("", text.password.value_or("(none)")) << "-password alone is the empty password";
    EXPECT_FALSE(text.passwordFile.has_value());
    EXPECT_EQ("", parseAll({"-ia", "-ob", "-passwordfile"}).passwordFile.value_or("(none)"))
        << "an empty file name is still a file to read";
}

TEST(JobCommandLine, LoneOrMistypedOptionsSetNothing) {
    const JobOptions options = parseAll({"-ia", "-ob", "--repair", "-FORCE", "-forced", "-r", "90", "-Continue"});
    EXPECT_FALSE(options.repair || options.force || options.keepGoing);
    EXPECT_EQ(0, options.rotation);
}

}  // namespace

namespace {

std::vector<std::string> infoWarnings(std::vector<std::string> later) {
    later.insert(later.begin(), {"folioturn", "-ia.pdf", "-info"});
    std::vector<char*> argv;
    for (std::string& argument : later) argv.push_back(argument.data());
    JobOptions options;
    std::vector<std::string> warnings;
    parseLaterOptions(static_cast<int>(argv.size()), argv.data(), options, &warnings);
    return warnings;
}

// -info stands where -o stands, and only there; -json goes with it. What only
// a rotation reads is ignored with a word of why, and never refuses the run.
TEST(JobCommandLine, InfoTakesThePlaceOfTheOutput) {
    const JobOptions info = parseAll(
        {"-iin.pdf", "-info", "-json", "-p2", "-repair", "-r90", "-rauto", "-force", "-incremental", "-r99999999999"});
    EXPECT_TRUE(info.info && info.json && info.repair);
    EXPECT_EQ("in.pdf", info.inputName);
    EXPECT_EQ("", info.outputName);
    EXPECT_EQ("2", info.pageText);
    EXPECT_FALSE(info.force || info.incremental || info.upright);
    EXPECT_EQ(0, info.rotation);
    EXPECT_EQ("", info.rotationBeyondRange) << "an angle that is not read is not refused";

    EXPECT_EQ("-o parameter missing", failureOf({"-iin.pdf", "-infox"}));
    EXPECT_EQ("-o parameter missing", failureOf({"-iin.pdf", "-p1", "-info"}));
    EXPECT_FALSE(parseAll({"-iin.pdf", "-oout.pdf", "-info", "-json"}).info);
    EXPECT_FALSE(parseAll({"-iin.pdf", "-oout.pdf", "-json"}).json);
}

TEST(LaterOptions, WhatInfoDoesNotReadIsWarnedOf) {
    EXPECT_EQ((std::vector<std::string>{"\"-r90\" ignored: -info writes nothing and turns no page",
                                        "\"-incremental\" ignored: -info writes nothing and turns no page"}),
              infoWarnings({"-r90", "-json", "-continue", "-incremental", "-p1:45", "-passwordx"}));
    EXPECT_EQ(std::vector<std::string>{"\"-json\" ignored: it goes with -info, as in -i<file> -info -json"},
              parseLater({"-json"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"-info\" ignored: -info takes the place of the output, as the second "
                                       "argument: -i<file> -info"},
              parseLater({"-info"}).warnings);
    EXPECT_EQ(std::vector<std::string>{"\"--json\" ignored: unknown option; did you mean -json?"},
              infoWarnings({"--json"}));
}

}  // namespace
