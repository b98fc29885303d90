#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "rawtext/PageDictionary.h"

class CPdfStream;
class OutputFile;
struct RawObject;

// How a page object's text changes to carry its new rotation: the value of the
// page's own /Rotate is replaced, or the key is added right after the "<<" that
// opens the page dictionary. The text's bytes before `keepUntil` and from
// `resumeAt` on stay; `inserted` goes between them.
struct PageEdit {
    PageDictionaryLayout layout;  // what the text holds now
    bool editable = false;        // false: the text holds no dictionary and stays as it is
    int32_t rotation = 0;         // the value written
    uint32_t keepUntil = 0;
    uint32_t resumeAt = 0;
    std::string inserted;
};

// The edit of a text held in memory, or of one that lies in the input file
// (`window` is the stream over it).
PageEdit planPageEdit(const RawObject& object, int32_t rotation);
PageEdit planPageEdit(CPdfStream& window, int32_t rotation);

// Writes a page object's text with its new rotation (unchanged without a
// dictionary), wherever the text lies.
void writeRotatedPage(OutputFile& output, FILE* input, const RawObject& object, const PageEdit& edit);
// The same text, in memory (for a text held in memory).
std::string rotatedPageText(const RawObject& object, const PageEdit& edit);
// An object's text as it stands, wherever it lies.
void writeObjectText(OutputFile& output, FILE* input, const RawObject& object);
