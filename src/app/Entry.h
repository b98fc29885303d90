#pragma once

#include <string>

#include "app/RunStatus.h"

struct JobOptions;

// The program entry: wildcard refusal, banner or usage text, then one list run or
// one rotation job. Returns the process exit code (a RunStatus).
int runFolioturn(int argc, char** argv);

// Runs one job with the console as its reporter: a rotation, or with -info a
// description; "Done." ends it. Throws what the job throws. `listPosition`:
// "file K of N" in a list run, "" for a single job.
RunStatus runOneJob(const JobOptions& options, const std::string& listPosition);

// Rotates every file named in a list, each with a copy of `options` that names
// its input and output; with -info, describes each. 0: not a list file; 1: refused (a message has been
// printed); 2: processed to the end, `status` the worst of its jobs. A failing
// job's exception goes on.
int processFileList(const char* listName, const char* folderArgument, const JobOptions& options, RunStatus& status);
