#pragma once

#include <cstdint>
#include <vector>

// With "-repair" the parser takes an array or dictionary left open where its
// object ends (a keyword that frames objects) as closed there, with what it held.
// Other readers do not: one that meets the closing keyword inside a
// container reads the object as null, and a page written that way is lost.
//
// Writes the closing delimiters into the object's text (header through its closing keyword)
// just after its last value, as the parser reads it: a key left without a value
// gets null. What the parser passes over where a key belongs becomes white space,
// and a ">>" or "]" it reads as a value becomes null, so that every reader reads
// the text alike. True when the text changed.
bool closeOpenContainers(std::vector<uint8_t>& text);
