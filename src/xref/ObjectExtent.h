#pragma once

#include <cstdint>

// How the reader of a damaged file treats it: as it is (damage is an error), or as
// other readers recover it ("-repair").
enum class ReadMode : uint8_t { Strict, Recovering };

// Where an object stored directly in the input file lies, from its header to its
// closing keyword "endobj", and how its text is to be read: found once by the cross-reference, and sliced by every
// reader of raw text (the copy, the incremental update, the edits of pages). File positions.
struct ObjectExtent {
    // How the text ends.
    enum class Ending : uint8_t {
        Endobj,       // with the closing keyword where the lexer reads it as the object's end
        FirstEndobj,  // a damaged object: only the first occurrence of the word could end it
        ValueOnly,    // recovering: no closing keyword (or no "endstream") ends it; the text ends with its
                      // value (or its data), and the missing words are written after it
    };

    bool readable = false;   // the object's own header stands at its entry's offset, and its text ends
    int32_t generation = 0;  // as the header gives it
    uint64_t start = 0;      // the header's first byte
    uint64_t limit = 0;      // where the next object starts (or the file ends): the text stops before it
    uint64_t end = 0;        // just past the closing keyword, or, for a text ending with its value, past that
    Ending ending = Ending::Endobj;
    bool isStream = false;
    bool isObjectStream = false;    // a stream whose Type is ObjStm
    uint64_t dataEnd = 0;           // a stream's: just past its data, as the parser reads it
    bool endstreamMissing = false;  // recovering: no "endstream" follows the data
    // A dictionary that a lookup read whole: just after the "<<" that opens it,
    // counted from `start`; 0 when not known.
    uint32_t dictionaryOpening = 0;

    uint64_t length() const { return end - start; }
};
