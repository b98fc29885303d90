#pragma once

#include <cstdint>

#include "parse/DictionaryReader.h"

// The dictionary reader over object text held in memory: for edits of one entry
// of an object's text in place.
class DictionaryText : public DictionaryReader<TextSource> {
public:
    // `start`: just after the "<<" that opens the dictionary.
    DictionaryText(const uint8_t* text, uint32_t length, uint32_t start)
        : DictionaryReader(TextSource(text, length), start) {}
};
