// Reading the command line into the rotation job.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/PdfRotate.h"
#include "model/PdfException.h"

namespace {

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

struct NamedSelection {
    const char* argument;
    PageSelection kind;
};

constexpr NamedSelection namedSelections[] = {
    {"-pall", PageSelection::All},
    {"-podd", PageSelection::Odd},
    {"-peven", PageSelection::Even},
    {"-pfirsthalf", PageSelection::FirstHalf},
    {"-plasthalf", PageSelection::LastHalf},
};

// What the C scanner's "-r%d" accepts: "-r", optional white space, an optional
// sign and at least one digit; anything after the digits is ignored. Values beyond
// the 32-bit range saturate instead of being undefined.
bool scanRotation(const char* argument, int& degrees) {
    if (!startsWith(argument, "-r")) return false;
    const char* number = argument + 2;
    while (std::isspace(static_cast<unsigned char>(*number))) ++number;
    const char* digits = number + (*number == '+' || *number == '-' ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
    const long long value = std::strtoll(number, nullptr, 10);
    degrees = static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
    return true;
}

}  // namespace

int32_t CPdfRotate::parseOptions(int argc, char** argv) {
    force = false;
    if (argc < 3) throw CPdfException("Error parameter");
    if (!startsWith(argv[1], "-i")) throw CPdfException("-i parameter missing");
    inputName = argv[1] + 2;
    if (!startsWith(argv[2], "-o")) throw CPdfException("-o parameter missing");
    outputName = argv[2] + 2;

    // A named selection, once seen, governs over later plain lists; the last one wins.
    PageSelection kind = PageSelection::List;
    for (int i = 3; i < argc; ++i) {
        const char* argument = argv[i];
        int degrees = 0;
        if (startsWith(argument, "-p")) {
            pageText = argument + 2;
            for (const NamedSelection& named : namedSelections) {
                if (std::strcmp(argument, named.argument) == 0) {
                    pageText.assign(1, ' ');
                    kind = named.kind;
                }
            }
        } else if (scanRotation(argument, degrees)) {
            rotation = degrees;
        } else if (std::strcmp(argument, "-force") == 0) {
            force = true;
        }
    }
    if (pageText.empty()) return static_cast<int32_t>(PageSelection::All);
    return static_cast<int32_t>(kind);
}
