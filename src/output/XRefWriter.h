#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/ObjectId.h"
#include "xref/XRefEntry.h"

class OutputFile;

// One record of the output's cross-reference table per object number.
struct OutputEntry {
    uint32_t offset = 0;
    int32_t gen = 0;
    int32_t written = 0;
};


// The length of the input's head: from its "%PDF-" header to the first object
// that the entries place in the file body (0 without one).
uint32_t headLengthOf(const std::vector<XRefEntry>& entries);
// The input's first `headLength` bytes from its "%PDF-" header (at `base`) on,
// copied in blocks and never past the end of the file.
void copyHead(OutputFile& output, FILE* input, uint32_t headLength, uint32_t base);
// One 20-byte table entry: offset, generation, n or f, a space and a carriage
// return, as "%010u %05u %c \r" gives it.
void formatEntry(char* entry, uint32_t offset, uint32_t generation, bool inUse);
// "xref", one subsection from 0 with a 20-byte entry per record.
void writeXRefTable(OutputFile& output, const std::vector<OutputEntry>& records);
// The trailer with Size, Root and (when there is one, number not 0) Info, then
// `moreEntries` as they stand, then "startxref" with `tablePosition` and "%%EOF".
// `root` and `info` carry the generations that the input's trailer gave them.
void writeTrailer(OutputFile& output, const std::vector<OutputEntry>& records, ObjectId root, ObjectId info,
                  uint32_t tablePosition, const std::string& moreEntries = std::string());
// The trailer entries that keep an encrypted file's encryption: Encrypt, and ID
// with the input's strings (none: no ID) written in hexadecimal (they are not encrypted).
std::string encryptionEntries(ObjectId encrypt, const std::vector<std::string>& ids);
