#pragma once
// Reading the command line into the options of the rotation jobs, once a run.
#include <string>
#include <vector>

#include "job/JobOptions.h"

// Reads the options after the first two arguments into `options`. Each argument
// that is ignored or looks mistyped, and a rotation that ISO 32000 does not allow,
// adds a warning (one line, without its line end) to `warnings` when it is given.
// Nothing here throws: a bad value shows when the job reads it.
void parseLaterOptions(int argc, char** argv, JobOptions& options, std::vector<std::string>* warnings = nullptr);

// Argument 2 is "-info": the run describes its files and writes nothing.
bool asksForInfo(int argc, char** argv);
// With that, "-json" among the later arguments: standard output takes JSON alone.
bool asksForJsonInfo(int argc, char** argv);

// Reads arguments 1 and 2 of a single job ("-i", then "-o" or "-info") into
// `options`. Throws "Error parameter", "-i parameter missing" or "-o parameter missing".
void parseInputAndOutput(int argc, char** argv, JobOptions& options);

// Both: the options of a single job.
JobOptions parseJobOptions(int argc, char** argv);
