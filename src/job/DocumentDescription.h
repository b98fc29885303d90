#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pages/PageView.h"

// What "-info" tells of one file: what the document is, and what each page
// described shows.
struct DocumentDescription {
    std::string file;        // the input's name as given ("-" for standard input)
    uint32_t pageCount = 0;  // the pages the page tree lists
    std::string version;     // "1.7"; empty when the file names none
    bool encrypted = false;
    bool signedFields = false;  // a signature field holds a value
    bool certified = false;     // the catalogue's /Perms holds /DocMDP
    bool objectStreams = false;
    bool linearized = false;
    bool repaired = false;  // "-repair" had to mend something to read the file

    struct Page {
        uint32_t number = 0;  // counted from 1
        PageView view;
    };
    std::vector<Page> pages;  // those the page selection names, in page order
};
