#pragma once

#include <cstdint>
#include <cstdio>

#include "stream/ByteSearch.h"

class FileBlockCache;

// Searches in object text and in the input file, for the readers of raw text.

// The index of the last byte of the first occurrence of `pattern` at or after
// `start`, or 0 when there is none.
uint32_t findPattern(const uint8_t* text, uint32_t start, uint32_t length, const char* pattern, uint32_t patternLength);
// The file position of the last byte of the first occurrence that starts at or
// after `start` and lies wholly before `end`, or 0.
uint64_t findPatternInRange(FileBlockCache& file, uint64_t start, uint64_t end, const char* pattern,
                            uint32_t patternLength);
// The first run of decimal digits after the first occurrence of `key`; 0 without one.
uint32_t findNumberAfter(const uint8_t* text, uint32_t length, const char* key);
