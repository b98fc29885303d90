#pragma once

#include <cstdint>
#include <cstdio>

class CPdfXRef;
struct RawObject;

// How to correct a stream object whose Length does not lead to its "endstream" (a
// Length that is too short, too long or past the end of the file, as hand edits and
// line-end conversions leave it): the Length's value, from the end of its key to
// the end of the value, becomes the length of the data that stands before the
// first "endstream", without the line end before it. Offsets count from the start
// of the object's text.
struct StreamLengthEdit {
    uint32_t keyEnd = 0;
    uint32_t valueEnd = 0;
    uint64_t dataLength = 0;
};

// Whether the object (its text in memory, or where it lies in the input that
// `xref` reads) is a stream whose Length must be corrected, and how. An indirect
// Length is looked up through `xref`. A stream whose Length is right, an object that is no stream, and one
// without "endstream" or Length need no edit.
bool findStreamLengthEdit(const RawObject& object, CPdfXRef& xref, StreamLengthEdit& edit);

// Applies the edit to a text in memory.
void applyStreamLengthEdit(RawObject& object, const StreamLengthEdit& edit);
