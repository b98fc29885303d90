#include "app/Hints.h"

namespace {

constexpr const char* repairHint = "the file is damaged; -repair reads damaged files as other PDF readers recover them";
constexpr const char* passwordHint =
    "-password<password> opens an encrypted file (-password alone gives the empty password); "
    "-passwordfile<file> reads it from the first line of a file";
constexpr const char* fullRewriteHint =
    "an incremental update needs a sound file; without -incremental, -repair rewrites a damaged file whole";

}  // namespace

std::string hintAfterFailure(FailureKind kind, bool repairGiven) {
    switch (kind) {
    case FailureKind::Damaged:
        return repairGiven ? "" : repairHint;
    case FailureKind::PasswordNeeded:
        return passwordHint;
    case FailureKind::DamagedForUpdate:
        return fullRewriteHint;
    default:
        return "";
    }
}
