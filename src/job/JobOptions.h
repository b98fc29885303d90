#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pages/PageRecord.h"

// What the command line asks of one job.
struct JobOptions {
    const char* inputName = nullptr;
    const char* outputName = nullptr;
    std::string pageText;          // the page list as given; " " for a named selection
    int32_t rotation = 0;
    bool force = false;
    bool repair = false;           // "-repair": read damaged files as other readers recover them
    bool incremental = false;      // append the rotation to the input as an incremental update
    bool keepGoing = false;        // "-continue": a list run goes on after a failed file
    // "-password" or "-passwordfile" (the last one given counts): opens encrypted files.
    std::optional<std::string> password;
    const char* passwordFile = nullptr;   // read into `password` when the job starts
    PageSelection selection = PageSelection::All;
};

// Reads arguments 1 and 2 ("-i", "-o") and the options after them. Throws
// "Error parameter", "-i parameter missing" or "-o parameter missing".
JobOptions parseJobOptions(int argc, char** argv);

// Reads the options after the first two arguments into `options`. Each argument
// that is ignored or looks mistyped, and a rotation that ISO 32000 does not allow,
// adds a warning (one line, without its line end) to `warnings` when it is given.
void parseLaterOptions(int argc, char** argv, JobOptions& options, std::vector<std::string>* warnings = nullptr);
// The first line of the password file that "-passwordfile" names, without its
// line end. Throws when the file cannot be read.
std::string readPasswordFile(const char* path);
