#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/PageRecord.h"
#include "pages/ShownRotation.h"

class CPdfXRef;
class OutputFile;
class RawObjectReader;
struct RevisedObject;

// What an update appended to the input continues from.
struct UpdateBase {
    uint64_t prev = 0;           // the input's "startxref" offset: the update's Prev
    bool streamSection = false;  // the newest section is a cross-reference stream
    uint32_t size = 0;           // the object numbers in use: the trailer's Size, or more
    std::string carriedEntries;  // the newest trailer's entries that carry over, as the input writes them
    bool encrypted = false;      // the input is encrypted: its pages go out as ordinary objects
};

// Reads the newest trailer. Throws a refusal when it cannot be found as text.
UpdateBase readUpdateBase(const CPdfXRef& xref, uint64_t inputSize);

// Copies the whole input in blocks of a fixed size; throws unless it has `inputSize`
// bytes as when it was opened. True when it ends with a line end.
bool copyInput(OutputFile& output, FILE* input, uint64_t inputSize);

// The whole output of an incremental rotation: the input's bytes, then an update
// with the pages whose rotation changes (none when no page changes). Gives the
// number of pages rewritten.
size_t writeIncrementalUpdate(OutputFile& output, const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                              const WalkedNodes& walkedNodes);
