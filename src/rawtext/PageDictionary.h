#pragma once

#include <cstdint>
#include <vector>

// Where a page object's raw text holds its own /Rotate entries: the name Rotate
// used as a key at the top level of the page dictionary. Nested dictionaries,
// arrays, strings and comments are passed over. Tokens follow the lexer's rules.
// A dictionary may hold the key more than once; readers show the last value, so
// the fields below describe the last one, and `rotateValues` lists them all.
struct PageDictionaryLayout {
    struct ValueRange {
        uint32_t keyEnd = 0;
        uint32_t valueEnd = 0;
    };

    uint32_t headerEnd = 0;  // just after the "obj" of the object's header
    bool found = false;      // the object's text holds a dictionary
    uint32_t bodyStart = 0;  // just after the "<<" that opens it
    bool hasRotate = false;
    std::vector<ValueRange> rotateValues;  // every own /Rotate, in the text's order
    uint32_t keyEnd = 0;                   // just after "/Rotate"
    uint32_t valueEnd = 0;                 // just after its whole value (equal to keyEnd when there is none)
    bool valueIsNumber = false;
    bool valueIsInteger = false;  // written as an integer, not as a real
    int32_t valueNumber = 0;      // an integer as written, a real cut toward zero (saturated)
    bool valueIsReference = false;
    int32_t referenceNumber = 0;
    int32_t referenceGeneration = 0;
    // Just after the ">>" that closes the dictionary, when the scan went that far
    // (a text that cannot hold the key is read only to the dictionary's start); 0 otherwise.
    uint32_t dictionaryEnd = 0;
};

class CPdfStream;

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length);
// The same over a window of the file, for a text too large to hold in memory;
// positions count from the window's start.
PageDictionaryLayout scanPageDictionary(CPdfStream& window);
