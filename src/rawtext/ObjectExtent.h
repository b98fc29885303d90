#pragma once

#include <cstdint>

class CPdfXRef;

// What parsing the object at `start` tells about its extent: for a stream object,
// the file position after its data (taken from its Length, resolved as the parser
// resolves it), and whether it is an object stream. Damaged objects tell nothing,
// and neither does an object with another number: its body is not even parsed, as
// many entries may name the offset of one large object.
struct ObjectExtent {
    bool parsed = false;
    int32_t number = 0;
    int32_t generation = 0;
    bool isStream = false;
    bool isObjectStream = false;
    uint32_t dataEnd = 0;
    bool endstreamMissing = false;  // with stream ends recovered: the data is not followed by "endstream"
    // Counted from the object's start, just past the "endobj" that the lexer reads
    // right after its dictionary or its "endstream", when the reader saw it there;
    // 0 when the object's end is still to be found.
    uint32_t objectEnd = 0;
};

// The extent of the object at file position `start`, which should be object
// `expectedNumber`. `head` holds the first bytes of its text: most objects are
// settled from them by the dictionary reader alone, the others by the parser.
ObjectExtent readObjectExtent(CPdfXRef* xref, uint32_t start, int32_t expectedNumber, const uint8_t* head,
                              uint32_t headLength);
