#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "rotate/ObjectLayout.h"
#include "xref/XRefEntry.h"

class CPdfXRef;

// An object's text as the input stores it, from its header through "endobj" and
// one white-space byte after it.
struct RawObject {
    std::vector<uint8_t> bytes;
    int32_t generation = 0;       // the generation in the header of `bytes`
    bool isObjectStream = false;  // a stream object whose Type is ObjStm

    uint32_t length() const { return static_cast<uint32_t>(bytes.size()); }
};

// The index of the last byte of the first occurrence of `pattern` at or after
// `start`, or 0 when there is none.
uint32_t findPattern(const uint8_t* text, uint32_t start, uint32_t length, const char* pattern,
                     uint32_t patternLength);
// The file position of the last byte of the first occurrence that starts at or
// after `start`, or 0. Moves the file's position.
uint32_t findPatternInFile(FILE* file, uint32_t start, const char* pattern, uint32_t patternLength);
// The same, for an occurrence that lies wholly before `end`.
uint32_t findPatternInRange(FILE* file, uint32_t start, uint32_t end, const char* pattern, uint32_t patternLength);
// The first run of decimal digits after the first occurrence of `key`; 0 without one.
uint32_t findNumberAfter(const uint8_t* text, uint32_t length, const char* key);

// Reads the raw text of object `number`. False when the object has none: a free
// entry, a header at its offset that is not its own, a missing "endobj", an object
// stream without that object. With `layout`, a text never runs into the next object.
bool readRawObject(FILE* input, int32_t number, CPdfXRef* xref, const std::vector<XRefEntry>& entries,
                   RawObject& out, const ObjectLayout* layout = nullptr);
