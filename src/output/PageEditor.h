#pragma once

#include <cstdint>
#include <string>

#include "rawtext/PageDictionary.h"

class OutputFile;
struct RawObject;

// How a page object's text changes to carry its new rotation: the value of the
// page's own /Rotate is replaced, or the key is added right after the "<<" that
// opens the page dictionary. With `force`, the page's own numeric rotation is
// added to the requested one as the force table gives it. The text's bytes before
// `keepUntil` and from `resumeAt` on stay; `inserted` goes between them.
struct PageEdit {
    PageDictionaryLayout layout;  // what the text holds now
    bool editable = false;        // false: the text holds no dictionary and stays as it is
    int32_t rotation = 0;         // the value written
    uint32_t keepUntil = 0;
    uint32_t resumeAt = 0;
    std::string inserted;
};

PageEdit planPageEdit(const RawObject& object, int32_t rotation, bool force);

// Writes a page object's text with its new rotation (unchanged without a dictionary).
void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation, bool force);
// The same text, in memory.
std::string rotatedPageText(const RawObject& object, const PageEdit& edit);
