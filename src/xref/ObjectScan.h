#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "xref/NumberMap.h"
#include "xref/XRefEntry.h"
#include "xref/XRefEntryTable.h"

// What one pass over a whole file finds, for rebuilding a cross-reference that
// cannot be used. Positions are absolute file offsets; the entries' offsets count
// from the "%PDF-" header, as every cross-reference offset does.
struct ObjectScan {
    struct Object {
        int32_t number = 0;
        int32_t generation = 0;
        uint64_t position = 0;  // of its header
    };
    struct Dictionary {
        uint64_t start = 0;  // its "<<"
        uint64_t end = 0;    // just after its ">>"
    };

    XRefEntryTable entries;             // the last definition of each number in the file
    NumberMap<uint64_t> definedAt;      // the position of that definition, per number
    std::vector<Object> objectStreams;  // stream objects of /Type /ObjStm, in file order
    std::vector<Object> catalogues;     // objects of /Type /Catalog, in file order
    std::vector<Dictionary> trailers;   // trailer and cross-reference stream dictionaries, in file order
    bool foundObject = false;
    uint64_t firstObject = 0;  // the position of the first header found
};

// Reads the file once, from `base` (its "%PDF-" header, or 0) to its end, for every
// object header "N G obj" outside stream data. A stream's data is passed over by
// its Length when the Length is right, and otherwise up to the nearest "endstream"
// before the next object header (or to that header, when there is none).
// The file is read in large blocks; memory stays within a few blocks and the
// found lists, and the time is linear in the file's size.
ObjectScan scanObjects(FILE* file, uint64_t fileSize, uint64_t base);
