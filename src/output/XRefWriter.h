#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/ObjectId.h"
#include "output/OutputTable.h"
#include "xref/XRefEntryTable.h"

class OutputFile;

// The length of the input's head: from its "%PDF-" header to the first object
// that the entries place in the file body (0 without one).
uint64_t headLengthOf(const XRefEntryTable& entries);
// The input's first `headLength` bytes from its "%PDF-" header (at `base`) on,
// copied in blocks and never past the end of the file.
void copyHead(OutputFile& output, FILE* input, uint64_t headLength, uint64_t base);
// One 20-byte table entry: offset, generation, n or f, a space and a carriage
// return, as "%010u %05u %c \r" gives it.
void formatEntry(char* entry, uint64_t offset, uint32_t generation, bool inUse);
// "xref", then one subsection from 0 with a 20-byte entry per number (the numbers
// not written as free), or, for a table not written whole, the free head and one
// subsection for each run of consecutive numbers written.
void writeXRefTable(OutputFile& output, const OutputTable& table);
// The trailer with Size, Root and (when there is one, number not 0) Info, then
// `moreEntries` as they stand, then "startxref" with `tablePosition` and "%%EOF".
// `root` and `info` carry the generations that the input's trailer gave them.
void writeTrailer(OutputFile& output, const OutputTable& table, ObjectId root, ObjectId info, uint64_t tablePosition,
                  const std::string& moreEntries = std::string());
// The trailer's Root and, when there is one (number not 0), Info entries, each
// on a line of its own, with the generations that the output gives them.
std::string rootAndInfoEntries(const OutputTable& records, ObjectId root, ObjectId info);
// The Encrypt entry that refers to the encryption dictionary's object (the ID,
// from which the key is made, is kept as KeptTrailer.h says).
std::string encryptReference(ObjectId encrypt);
