#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "xref/XRefEntry.h"

class OutputFile;

// One record of the output's cross-reference table per object number.
struct OutputEntry {
    uint32_t offset = 0;
    int32_t gen = 0;
    int32_t written = 0;
};

// An object the trailer names, with the generation its own trailer gave it.
struct TrailerReference {
    int32_t number = 0;
    int32_t generation = 0;
};

// The input's bytes from its "%PDF-" header (at `base`) up to its first object,
// copied in blocks and never past the end of the file.
void copyHead(OutputFile& output, FILE* input, const std::vector<XRefEntry>& entries, uint32_t base);
// Copies `length` bytes of the input from `from` on through a fixed block, and
// stops early at the end of the file; gives the count copied.
uint64_t copyInputBytes(OutputFile& output, FILE* input, uint64_t from, uint64_t length);
void writeNumber(OutputFile& output, uint32_t value);
// One 20-byte table entry: offset, generation, n or f, a space and a carriage
// return, as "%010u %05u %c \r" gives it.
void formatEntry(char* entry, uint32_t offset, uint32_t generation, bool inUse);
// "xref", one subsection from 0 with a 20-byte entry per record.
void writeXRefTable(OutputFile& output, const std::vector<OutputEntry>& records);
// The trailer with Size, Root and (when there is one, number not 0) Info, then
// "startxref" with `tablePosition` and "%%EOF".
void writeTrailer(OutputFile& output, const std::vector<OutputEntry>& records, TrailerReference root,
                  TrailerReference info, uint32_t tablePosition);
