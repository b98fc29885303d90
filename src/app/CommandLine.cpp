// Reading the command line into the options of the rotation jobs.
#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "limits/Messages.h"
#include "model/PdfException.h"
#include "pages/PageItems.h"

namespace {

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

constexpr char infoArgument[] = "-info";
constexpr char jsonArgument[] = "-json";

struct NamedSelection {
    const char* argument;
    PageSelection kind;
};

constexpr NamedSelection namedSelections[] = {
    {"-pall", PageSelection::All},           {"-podd", PageSelection::Odd},
    {"-peven", PageSelection::Even},         {"-pfirsthalf", PageSelection::FirstHalf},
    {"-plasthalf", PageSelection::LastHalf},
};

// What the C scanner's "-r%d" accepts: "-r", optional white space, an optional
// sign and at least one digit; anything after the digits is ignored. A value
// beyond the 32-bit range is no angle: `inRange` is then false.
bool scanRotation(const char* argument, int& degrees, bool& inRange) {
    if (!startsWith(argument, "-r")) return false;
    const char* number = argument + 2;
    while (std::isspace(static_cast<unsigned char>(*number))) ++number;
    const bool negative = *number == '-';
    const char* digits = number + (*number == '+' || negative ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
    const int64_t limit = negative ? -int64_t{INT32_MIN} : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    inRange = true;
    for (; std::isdigit(static_cast<unsigned char>(*digits)) && inRange; ++digits) {
        magnitude = magnitude * 10 + (*digits - '0');
        inRange = magnitude <= limit;
    }
    degrees = inRange ? static_cast<int>(negative ? -magnitude : magnitude) : 0;
    return true;
}

// The options that take no value, for telling a mistyped one ("--force", "-Force").
constexpr const char* flagOptions[] = {"-force", "-repair", "-incremental", "-continue", "-compact", jsonArgument};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The option that `argument` looks like a misspelling of, or nullptr: the same
// name in other case or behind other dashes.
const char* likelyMeant(const char* argument) {
    while (*argument == '-') ++argument;
    const std::string name = lowerCase(argument);  // compared with the options' names after their dash
    for (const char* flag : flagOptions)
        if (name == flag + 1) return flag;
    for (const NamedSelection& named : namedSelections)
        if (name == named.argument + 1) return named.argument;
    return nullptr;
}

// Why an argument that no option reads was ignored, in words that say what was
// probably meant. `previous` is the argument before it.
std::string ignoredArgumentWarning(const char* argument, const char* previous) {
    const std::string quoted = std::string("\"") + argument + "\" ignored";
    if (std::strcmp(argument, infoArgument) == 0)
        return quoted + ": -info takes the place of the output, as the second argument: -i<file> -info";
    const bool bareValueOption = std::strcmp(previous, "-p") == 0 || std::strcmp(previous, "-r") == 0;
    if (bareValueOption && *argument != '-')
        return quoted + ": a value follows its option without a space, as in " + previous + argument;
    if (startsWith(argument, "-r")) return quoted + ": -r takes a whole number of degrees, as in -r90, or auto";
    if (startsWith(argument, "-i") || startsWith(argument, "-o") || startsWith(argument, "-f") ||
        startsWith(argument, "-l"))
        return quoted + ": the input and the output are the first two arguments";
    if (const char* meant = likelyMeant(argument)) return quoted + ": unknown option; did you mean " + meant + "?";
    return quoted + ": unknown option";
}

std::string offQuarterTurnWarning(const std::string& source, int32_t degrees) {
    return source + ": a page's /Rotate must be a multiple of 90 (ISO 32000); " + std::to_string(degrees) +
           " is written as given";
}

// The items of a page list with an angle of their own that -r would be warned
// of, the first few by name. A list that cannot be read is told of by the job.
void warnOfItemAngles(const JobOptions& options, std::vector<std::string>& warnings) {
    constexpr size_t shown = 5;
    if (options.selection != PageSelection::List || !PageItemList::usesExtendedForms(options.pageText)) return;
    std::vector<PageItemList::ItemAngle> angles;
    try {
        angles = PageItemList(options.pageText, options.rotation).anglesOffQuarterTurns();
    } catch (const CPdfException&) {
        return;
    }
    for (size_t i = 0; i < angles.size() && i < shown; ++i)
        warnings.push_back(offQuarterTurnWarning("-p item \"" + angles[i].item + "\"", angles[i].angle));
    if (angles.size() > shown)
        warnings.push_back(std::to_string(angles.size() - shown) +
                           " more -p items have an angle that is not a multiple of 90; each is written as given");
}

// What only a rotation reads: -info, which writes nothing, ignores it.
bool onlyForWriting(const char* argument) {
    int degrees = 0;
    bool inRange = true;
    return std::strcmp(argument, "-rauto") == 0 || scanRotation(argument, degrees, inRange) ||
           std::strcmp(argument, "-force") == 0 || std::strcmp(argument, "-incremental") == 0 ||
           std::strcmp(argument, "-compact") == 0;
}

}  // namespace

bool asksForInfo(int argc, char** argv) { return argc > 2 && std::strcmp(argv[2], infoArgument) == 0; }

bool asksForJsonInfo(int argc, char** argv) {
    if (!asksForInfo(argc, argv)) return false;
    for (int i = 3; i < argc; ++i)
        if (std::strcmp(argv[i], jsonArgument) == 0) return true;
    return false;
}

void parseInputAndOutput(int argc, char** argv, JobOptions& options) {
    if (argc < 3) throw CPdfException(FailureKind::CommandLine, message::errorParameter);
    if (!startsWith(argv[1], "-i")) throw CPdfException(FailureKind::CommandLine, message::inputParameterMissing);
    options.inputName = argv[1] + 2;
    options.info = asksForInfo(argc, argv);
    if (options.info) return;
    if (!startsWith(argv[2], "-o")) throw CPdfException(FailureKind::CommandLine, message::outputParameterMissing);
    options.outputName = argv[2] + 2;
}

JobOptions parseJobOptions(int argc, char** argv) {
    JobOptions options;
    parseInputAndOutput(argc, argv, options);
    parseLaterOptions(argc, argv, options);
    return options;
}

void parseLaterOptions(int argc, char** argv, JobOptions& options, std::vector<std::string>* warnings) {
    // A named selection, once seen, governs over later plain lists; the last one wins.
    PageSelection kind = PageSelection::List;
    options.info = asksForInfo(argc, argv);
    for (int i = 3; i < argc; ++i) {
        const char* argument = argv[i];
        int degrees = 0;
        bool inRange = true;
        // -info ignores what only a rotation reads. The passwords are read before
        // the page selection's "-p", which they begin with.
        if (options.info && onlyForWriting(argument)) {
            if (warnings)
                warnings->push_back(std::string("\"") + argument +
                                    "\" ignored: -info writes nothing and turns no page");
        } else if (startsWith(argument, "-passwordfile")) {
            options.passwordFile = argument + std::strlen("-passwordfile");
            options.password.reset();
        } else if (startsWith(argument, "-password")) {
            options.password = std::string(argument + std::strlen("-password"));
            options.passwordFile.reset();
        } else if (startsWith(argument, "-p")) {
            options.pageText = argument + 2;
            for (const NamedSelection& named : namedSelections) {
                if (std::strcmp(argument, named.argument) == 0) {
                    options.pageText.assign(1, ' ');
                    kind = named.kind;
                }
            }
        } else if (std::strcmp(argument, "-rauto") == 0) {
            options.upright = true;
            options.rotation = 0;
            options.rotationBeyondRange.clear();
        } else if (scanRotation(argument, degrees, inRange)) {
            options.rotation = degrees;
            options.rotationBeyondRange = inRange ? "" : argument;
            options.upright = false;
        } else if (std::strcmp(argument, "-force") == 0) {
            options.force = true;
        } else if (std::strcmp(argument, "-repair") == 0) {
            options.repair = true;
        } else if (std::strcmp(argument, "-incremental") == 0) {
            options.incremental = true;
        } else if (std::strcmp(argument, "-continue") == 0) {
            options.keepGoing = true;
        } else if (std::strcmp(argument, "-compact") == 0) {
            options.compact = true;
        } else if (std::strcmp(argument, jsonArgument) == 0 && options.info) {
            options.json = true;
        } else if (std::strcmp(argument, jsonArgument) == 0) {
            if (warnings) warnings->push_back("\"-json\" ignored: it goes with -info, as in -i<file> -info -json");
        } else if (warnings) {
            warnings->push_back(ignoredArgumentWarning(argument, argv[i - 1]));
        }
    }
    options.selection = options.pageText.empty() ? PageSelection::All : kind;
    // -info turns no page: the angles of a page list are not read for it.
    if (!warnings || options.info) return;
    if (options.compact && options.incremental)
        warnings->push_back(
            "-compact ignored with -incremental: an incremental update keeps the input's bytes, and its "
            "compression with them");
    if (!options.upright && options.rotation % 90 != 0)
        warnings->push_back(offQuarterTurnWarning("-r" + std::to_string(options.rotation), options.rotation));
    warnOfItemAngles(options, *warnings);
}
