#pragma once

#include <cstdint>

// Where a page object's raw text holds its own /Rotate entry: the name Rotate used
// as a key at the top level of the page dictionary. Nested dictionaries, arrays,
// strings and comments are passed over. Tokens follow the lexer's rules.
struct PageDictionaryLayout {
    bool found = false;         // the object's text holds a dictionary
    uint32_t bodyStart = 0;     // just after the "<<" that opens it
    bool hasRotate = false;
    uint32_t keyEnd = 0;        // just after "/Rotate"
    uint32_t valueEnd = 0;      // just after its whole value (equal to keyEnd when there is none)
    bool valueIsNumber = false;
    int32_t valueNumber = 0;    // an integer as written, a real cut toward zero (saturated)
    bool valueIsReference = false;
    int32_t referenceNumber = 0;
    int32_t referenceGeneration = 0;
};

class CPdfStream;

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length);
// The same over a window of the file, for a text too large to hold in memory;
// positions count from the window's start.
PageDictionaryLayout scanPageDictionary(CPdfStream& window);
