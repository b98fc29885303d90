#pragma once

#include <cstdint>
#include <vector>

class CPdfParser;

// The header of an object stream: `count` pairs of object number and offset.
// Two readers of it, declared here apart from the object streams that use them so
// that the differential fuzz target can hold the plain one to the parser.

// The pairs as `header` (a parser over the header's text) reads them. False when
// a pair is not two integers.
bool readObjectStreamHeaderPairs(CPdfParser&& header, int32_t count, std::vector<int32_t>& numbers,
                                 std::vector<int32_t>& offsets);

// The same for a header of plain integers in memory, read without the parser: what
// the parser makes of them when no "R" follows to make a reference of two. False
// for any other header, which the parser must read.
bool readPlainObjectStreamHeader(const uint8_t* text, uint32_t length, int32_t count, std::vector<int32_t>& numbers,
                                 std::vector<int32_t>& offsets);
