// The command line as a user meets it: exact console bytes and exit codes (0 for the
// usage text, --help and --version, 1 for a wildcard, 2 for every failure).
#include <gcrypt.h>
#include <zlib.h>

#include "E2eSupport.h"

namespace {

using namespace e2e;

const std::string usage =
    banner +
    "Parameters:\n-i<filename> - input file name\n-l<filename> - list file name\n"
    "-o<filename> - output file name\n-f<folder> - output folder name\n"
    "-p<pages array> - pages list for rotation, e.g. 1,3,5-7   or -pall or -podd or -peven\n"
    "-r<degree> - rotation degree, can be any of the following: 0, 90, 180, 270\n"
    "-force - forces rotation on existing roation if already set in pdf document, e.g. -r180 if already 180 then "
    "rotates to 0\n"
    "-pfirsthalf - rotate first half of pdf -pfirsthalf of 10 pages will rotate pages 1-5\n"
    "-plasthalf - rotate first half of pdf -plasthalf of 10 pages will rotate pages 6-10\n"
    "\r\nExample usage:-\r\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -p5-10,15-20,55 -r0\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -p1-10 -r180\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -podd -r90\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -peven -r180\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -plasthalf -r180\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -pall -r270\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -r290\n"
    "Folioturn -ic:\\test.pdf -oc:\\test-out.pdf -r180 -force\n"
    "\nsee examples folder for all parameters usage in test.bat, list.bat\r\n"
    "NOTE: first 2 parameters have to be -i -o or -i -f\r\n"
    "If your filename has spaces in it then use double quotes around the filename, e.g. \"c:\\my test\\test "
    "file.pdf\"\n"
    "\nWildcards * are not permitted, if you want to process many files then do: dir /B *.pdf > list.txt, then "
    "Folioturn -ilist.txt -ooutputfile.pdf -p1,3,15-20,55 -r180\n\r\n\r\n";

// What --help prints after the classic usage text.
const std::string furtherOptions =
    "Further options:\n"
    "-p<pages> - also counts from the end: end and r1 are the last page, rN the N-th from the end, in ranges too: "
    "-p5-end, -pr3-end\n"
    "-p<pages> - also takes an angle per item and named selections as items, later items winning: "
    "-p1-3:90,4-end:180, or -podd:90,even:270 for a duplex scan\n"
    "-p<pages> - also takes exclusions: ~N, ~N-M or ~odd (any named selection) takes those pages out of the items "
    "before it: -p1-end,~5-7 or -pall,~end\n"
    "-plandscape - rotates the pages displayed wider than tall (crop box, else media box, as the page shows it), "
    "e.g. -plandscape -r90 -force; also as an item: -plandscape:90,portrait:0\n"
    "-pportrait - rotates the other pages; a page whose boxes cannot be read counts as portrait\n"
    "-rauto - gives each selected page the rotation under which its text reads upright, judged from its content "
    "(80 % of at least 20 glyphs in one direction); also as an item: -p1-10:auto,11-end:0. Not with -force\n"
    "-info - in place of -o or -f: changes and writes nothing, and prints each file's facts (page count, PDF "
    "version, encryption, signatures, object streams, linearized, repaired) and a line a page: its rotation, size in "
    "points, orientation, text direction (up, right, down, left, none) and the rotation -rauto would write; with -p, "
    "those pages\n"
    "-json - with -info: one JSON document a file, a line each, alone on standard output; the console text goes to "
    "standard error\n"
    "-password<text> - opens an encrypted file with its user or owner password (-password alone: the empty one); "
    "-passwordfile<file> reads it from the file's first line. The output keeps the encryption\n"
    "-incremental - keeps every byte of the input and appends the rotation as an incremental update\n"
    "-compact - a full rewrite keeps the input's compression: the objects of its object streams go into object "
    "streams again, and the cross-reference is a stream (a table of the numbers in use where the input has "
    "neither); ignored with -incremental\n"
    "-repair - rotates damaged files too, as other readers recover them: a cross-reference that cannot be used is "
    "rebuilt by scanning the file\n"
    "-continue - in a list run, goes on with the next file after a failed one and ends with a count of both\n"
    "-i- - reads the PDF from standard input (kept in a temporary file while the job runs); the console line "
    "names it -\n"
    "-o- - writes the output PDF to standard output once it is complete and checked (nothing after a failure), and "
    "the console text to standard error; not for list runs\n"
    "--help - prints this text; only as the sole parameter\n"
    "--version - prints the version of Folioturn and of the zlib and libgcrypt it was built with; only as the sole "
    "parameter\n";
// The tests run with the zlib and libgcrypt that the program was built with.
const std::string version =
    "Folioturn " FOLIOTURN_VERSION "\nbuilt with zlib " ZLIB_VERSION "\nbuilt with libgcrypt " GCRYPT_VERSION "\n";

const std::string wildcard =
    "\nError! Wildcards * are not permitted, if you want to process many files then do: dir /B *.pdf > list.txt, "
    "then Folioturn -ilist.txt -fc:\\test -p1,3,15-20,55 -r180\n\n";
const std::string pleaseSpecifyFolder = banner + "please specify -f for output folder, e.g. -fc:\\test\n";

struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string console;
    int exitCode = 0;
    std::vector<std::string> leftInFolder = {};  // what the run leaves in its working folder
};
void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.name; }

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, PrintsExactlyAndCreatesNothingElse) {
    const CommandLineCase& c = GetParam();
    TemporaryFolder folder;
    const ProcessResult run = runFolioturn(c.arguments, folder.path());
    EXPECT_EQ(c.console, run.output);
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.leftInFolder, folder.entries());
}

INSTANTIATE_TEST_SUITE_P(
    E2e, CommandLine,
    testing::Values(
        CommandLineCase{"NoArguments", {}, usage},
        CommandLineCase{"WildcardInFirstOfTwo", {"-i*.pdf", "-oout.pdf"}, wildcard, 1},
        CommandLineCase{"WildcardInLastOfFour", {"-ia.pdf", "-oout.pdf", "-p1", "-r9*"}, wildcard, 1},
        CommandLineCase{"WildcardAloneIsNotRefused", {"-i*.pdf"}, banner + "Error parameter", 2},
        CommandLineCase{"OneArgument", {"-ia.pdf"}, banner + "Error parameter", 2},
        CommandLineCase{"FirstIsNotInput", {"-xa.pdf", "-oout.pdf"}, banner + "-i parameter missing", 2},
        CommandLineCase{"Swapped", {"-oout.pdf", "-ia.pdf"}, banner + "-i parameter missing", 2},
        CommandLineCase{"SecondIsNotOutput", {"-ia.pdf", "-xout.pdf"}, banner + "-o parameter missing", 2},
        CommandLineCase{
            "InputMissing", {"-imissing.pdf", "-oout.pdf", "-p1"}, banner + "Input file open error: missing.pdf\n", 2},
        CommandLineCase{"InputEmpty", {"-i", "-oout.pdf"}, banner + "Input file open error: \n", 2},
        CommandLineCase{
            "PercentInName", {"-i100%d%s.pdf", "-oout.pdf"}, banner + "Input file open error: 100%d%s.pdf\n", 2},
        CommandLineCase{"UpperCaseListIsAPdfName", {"-iLIST.TXT", "-fout"}, banner + "-o parameter missing", 2},
        CommandLineCase{"ListWithOutputFile", {"-ilist.txt", "-oout"}, pleaseSpecifyFolder, 2},
        CommandLineCase{"ListWithoutFolder", {"-ilist.txt"}, pleaseSpecifyFolder, 2},
        CommandLineCase{"ListMissing",
                        {"-inolist.txt", "-fout"},
                        banner + "Unable to open file list: 'nolist.txt'\r\n",
                        2,
                        {"out"}},
        CommandLineCase{"Help", {"--help"}, usage + furtherOptions}, CommandLineCase{"Version", {"--version"}, version},
        CommandLineCase{"HelpBeforeAnotherArgument", {"--help", "-oout.pdf"}, banner + "-i parameter missing", 2},
        CommandLineCase{"VersionAfterAnInput", {"-ia.pdf", "--version"}, banner + "-o parameter missing", 2},
        CommandLineCase{"HelpAfterAList", {"-ilist.txt", "--help"}, pleaseSpecifyFolder, 2},
        CommandLineCase{"HelpWithAWildcard", {"--help", "-i*.pdf"}, wildcard, 1},
        CommandLineCase{"HelpWithASuffix", {"--helpx"}, banner + "Error parameter", 2},
        CommandLineCase{"ShortHelp", {"-h"}, banner + "Error parameter", 2},
        CommandLineCase{"SingleDashHelp", {"-help"}, banner + "Error parameter", 2},
        CommandLineCase{"UpperCaseVersion", {"--VERSION"}, banner + "Error parameter", 2},
        CommandLineCase{"VersionWithASpace", {"--version "}, banner + "Error parameter", 2},
        CommandLineCase{"ListMissingAfterL",
                        {"-lnolist.txt", "-fout"},
                        banner + "Unable to open file list: 'nolist.txt'\r\n",
                        2,
                        {"out"}}),
    caseName);

}  // namespace
