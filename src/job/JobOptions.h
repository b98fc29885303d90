#pragma once

#include <cstdint>
#include <string>

#include "pages/PageRecord.h"

// What the command line asks of one job.
struct JobOptions {
    const char* inputName = nullptr;
    const char* outputName = nullptr;
    std::string pageText;          // the page list as given; " " for a named selection
    int32_t rotation = 0;
    bool force = false;
    bool incremental = false;      // append the rotation to the input as an incremental update
    PageSelection selection = PageSelection::All;
};

// Reads arguments 1 and 2 ("-i", "-o") and the options after them. Throws
// "Error parameter", "-i parameter missing" or "-o parameter missing".
JobOptions parseJobOptions(int argc, char** argv);
