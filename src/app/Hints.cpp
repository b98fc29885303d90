#include "app/Hints.h"

#include <cstring>

namespace {

struct Hint {
    const char* failureStart;  // the failure's message starts so, leading line ends aside
    bool unlessRepairing;      // no hint when -repair was given
    const char* text;
};

constexpr const char* repairHint = "the file is damaged; -repair reads damaged files as other PDF readers recover them";

constexpr Hint hints[] = {
    {"PDF file was damaged", true, repairHint},
    {"Couldn't parse an xref", true, repairHint},
    {"Trailer dictionary is wrong type", true, repairHint},
    {"Size of xref Stream is wrong type", true, repairHint},
    {"W item of xref Stream is wrong", true, repairHint},
    {"Index item of xref Stream is wrong type", true, repairHint},
    {"Unexpected EOF while reading xref stream section", true, repairHint},
    {"Wrong type of xref entry while reading xref stream section", true, repairHint},
    {"Corrupted PDF file", true, repairHint},
    {"Missing 'endstream'", true, repairHint},
    {"Cannot append an incremental update: the file's cross-reference", false,
     "an incremental update needs a sound file; without -incremental, -repair rewrites a damaged file whole"},
};

}  // namespace

std::string hintAfterFailure(const std::string& failureText, bool repairGiven) {
    const size_t start = failureText.find_first_not_of("\r\n");
    if (start == std::string::npos) return "";
    for (const Hint& hint : hints) {
        if (failureText.compare(start, std::strlen(hint.failureStart), hint.failureStart) != 0) continue;
        if (hint.unlessRepairing && repairGiven) return "";
        return hint.text;
    }
    return "";
}
