#pragma once

#include <cstdint>
#include <string>

// What the scan of a whole damaged file needs of each dictionary: where it ends,
// and its top-level /Type and /Length (of two equal keys the first), read with the
// dictionary reader: nothing is built, so the scan stays near the speed of reading
// the file.
struct DictionarySkim {
    enum class LengthKind { None, Integer, Reference, Other };

    bool closed = false;  // its ">>" was read
    uint32_t end = 0;     // just after that ">>"; where reading stopped otherwise
    bool typeIsName = false;
    std::string type;                          // the first Type's name, its #xx escapes decoded
    LengthKind lengthKind = LengthKind::None;  // of the first Length
    int64_t length = 0;                        // an Integer Length, held at the 64-bit limits
    int32_t lengthNumber = 0;                  // a Reference Length's object number
    int32_t lengthGeneration = 0;              // and generation
};

// The dictionary whose "<<" ends just before `start`.
DictionarySkim skimDictionary(const uint8_t* text, uint32_t length, uint32_t start);

// Just after the "<<" that opens the dictionary of an object's text (its header
// "N G obj" first); 0 when the object holds no dictionary there.
uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length);
