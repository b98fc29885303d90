#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One top-level entry of a dictionary's raw text: its key (escapes decoded) and
// the bytes that hold it, from the end of the token before the key (so white
// space and comments before it come along) through the end of its value.
struct DictionaryEntry {
    std::string key;
    uint32_t start = 0;
    uint32_t end = 0;
};

// The entries of the dictionary that opens with the first "<<" among the first
// few tokens of `text` (a trailer's, after "trailer", or a stream object's, after
// "N G obj"). False when no such dictionary opens there or it does not close
// within the text. Tokens follow the lexer's rules; a key without a value before
// the closing ">>" is left out, as are tokens where a key belongs that are not names.
bool scanDictionaryEntries(const uint8_t* text, uint32_t length, std::vector<DictionaryEntry>& entries);
