#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pages/PageRecord.h"

// What the command line asks of one job. The program's entry reads it once; a
// list run gives each file a copy with that file's input and output.
struct JobOptions {
    std::string inputName;
    // Where the input's bytes are read when that is not inputName: the copy of
    // standard input for "-i-". Messages name inputName.
    std::string inputPath;
    std::string outputName;
    std::string pageText;  // the page list as given; " " for a named selection
    int32_t rotation = 0;
    // The "-r" argument that counts when its angle lies beyond the 32-bit range,
    // refused when the job starts; "" for none.
    std::string rotationBeyondRange;
    bool upright = false;  // "-rauto": each page gets the rotation under which its text reads upright
    bool force = false;
    bool repair = false;       // "-repair": read damaged files as other readers recover them
    bool incremental = false;  // append the rotation to the input as an incremental update
    bool compact = false;      // "-compact": a full rewrite keeps the input's object streams
    bool keepGoing = false;    // "-continue": a list run goes on after a failed file
    // "-info" in place of the output: the job describes the file and its selected
    // pages to its reporter, and writes and changes nothing.
    bool info = false;
    bool json = false;  // "-json" with -info: the description as one JSON document
    // "-password" or "-passwordfile" (the last one given counts): opens encrypted files.
    std::optional<std::string> password;
    std::optional<std::string> passwordFile;  // read into `password` when the job starts
    PageSelection selection = PageSelection::All;
};

// The first line of the password file that "-passwordfile" names, without its
// line end. Throws when the file cannot be read.
std::string readPasswordFile(const char* path);
