#pragma once

#include <cstdint>

class OutputFile;
struct RawObject;

// Writes a page object's text with its new rotation: the value of the page's own
// /Rotate is replaced, or the key is added right after the "<<" that opens the page
// dictionary. A text without a dictionary is written unchanged.
void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation);
