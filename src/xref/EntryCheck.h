#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "xref/XRefEntryTable.h"

// Whether every object that the entries place in the file body starts where its
// entry says: "N G obj" with its own number and generation, as a lookup reads the
// header. Free and compressed entries are not looked at. The headers are read in
// file order in large blocks, so the check costs about one read of the file.
bool entriesPointAtTheirObjects(FILE* file, uint64_t fileSize, uint64_t base, const XRefEntryTable& entries);
