#pragma once
// The process exit status, which is what a script learns of a run.
#include "model/PdfException.h"

enum class RunStatus : int {
    Done = 0,            // every job ended "Done."; also the usage text, --help and --version
    Wildcard = 1,        // an argument held a "*" (nothing ran)
    Failed = 2,          // a job or the command line failed
    LeftObjectsOut = 3,  // the output was written, but objects that could not be read were left out
};

// The status of a run of several jobs is its worst job's: a failure outweighs
// left-out objects, which outweigh success.
constexpr RunStatus worse(RunStatus first, RunStatus second) {
    auto weight = [](RunStatus status) {
        return status == RunStatus::Failed ? 2 : status == RunStatus::LeftObjectsOut ? 1 : 0;
    };
    return weight(first) >= weight(second) ? first : second;
}

// The status of a job that failed with a failure of `kind`: every kind fails the
// job, as the exit status has always said; the message tells what failed.
constexpr RunStatus statusAfterFailure(FailureKind /*kind*/) { return RunStatus::Failed; }
