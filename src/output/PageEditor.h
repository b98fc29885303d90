#pragma once

#include <cstdint>
#include <cstdio>

class OutputFile;
struct RawObject;
struct StreamLengthEdit;

// Writes a page object's text with its new rotation: the value of the page's own
// /Rotate is replaced, or the key is added right after the "<<" that opens the page
// dictionary. A text without a dictionary is written unchanged.
void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation);
// The same for a text that lies in the input file (`window` is the stream over it).
void writeRotatedPage(OutputFile& output, FILE* input, class CPdfStream& window, const RawObject& object,
                      int32_t rotation);
// An object's text as it stands, wherever it lies.
void writeObjectText(OutputFile& output, FILE* input, const RawObject& object);
// A stream object that lies in the input, with its Length corrected as `edit` says.
void writeStreamWithLength(OutputFile& output, FILE* input, const RawObject& object, const StreamLengthEdit& edit);
