#pragma once

#include <cstdint>
#include <optional>
#include <string>

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
    // "-password" or "-passwordfile" (the last one given counts): opens encrypted files.
    std::optional<std::string> password;
    const char* passwordFile = nullptr;   // read into `password` when the job starts
    PageSelection selection = PageSelection::All;
};

// Reads arguments 1 and 2 ("-i", "-o") and the options after them. Throws
// "Error parameter", "-i parameter missing" or "-o parameter missing".
JobOptions parseJobOptions(int argc, char** argv);

// The first line of the password file that "-passwordfile" names, without its
// line end. Throws when the file cannot be read.
std::string readPasswordFile(const char* path);
