#pragma once

#include <cstdint>

class OutputFile;
struct RawObject;

// Writes a page object's text with its new rotation: the value of the page's own
// /Rotate is replaced, or the key is added right after the "<<" that opens the page
// dictionary. With `force`, the page's own numeric rotation is added to `rotation`
// as the force table gives it. A text without a dictionary is written unchanged.
void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation, bool force);
