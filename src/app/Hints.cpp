#include "app/Hints.h"

#include <cstring>

namespace {

struct Hint {
    const char* failureStart;  // the failure's message starts so, leading line ends aside
    const char* unlessGiven;   // no hint when this option was given (nullptr: always hint)
    const char* text;
};

constexpr const char* repairHint = "the file is damaged; -repair reads damaged files as other PDF readers recover them";

constexpr Hint hints[] = {
    {"PDF file was damaged", "-repair", repairHint},
    {"Couldn't parse an xref", "-repair", repairHint},
    {"Trailer dictionary is wrong type", "-repair", repairHint},
    {"Size of xref Stream is wrong type", "-repair", repairHint},
    {"W item of xref Stream is wrong", "-repair", repairHint},
    {"Index item of xref Stream is wrong type", "-repair", repairHint},
    {"Unexpected EOF while reading xref stream section", "-repair", repairHint},
    {"Wrong type of xref entry while reading xref stream section", "-repair", repairHint},
    {"Corrupted PDF file", "-repair", repairHint},
    {"Missing 'endstream'", "-repair", repairHint},
    {"Cannot append an incremental update: the file's cross-reference", nullptr,
     "an incremental update needs a sound file; without -incremental, -repair rewrites a damaged file whole"},
};

bool given(const char* option, int argc, char** argv) {
    for (int i = 3; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

std::string hintAfterFailure(const std::string& failureText, int argc, char** argv) {
    const size_t start = failureText.find_first_not_of("\r\n");
    if (start == std::string::npos) return "";
    for (const Hint& hint : hints) {
        if (failureText.compare(start, std::strlen(hint.failureStart), hint.failureStart) != 0) continue;
        if (hint.unlessGiven && given(hint.unlessGiven, argc, argv)) return "";
        return hint.text;
    }
    return "";
}
