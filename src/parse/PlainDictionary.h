#pragma once

#include <cstdint>

#include "parse/SievedDictionary.h"

// The sieved read of a dictionary (see readSievedDictionary) for the text most
// writers lay out, without the lexer: names without "#" escapes, numbers,
// references "n g R", arrays and nested dictionaries of those, parted by white
// space alone, then "endobj" or (in a whole text) nothing. The kept values are
// names, integers, references or arrays of names, integers and references.
//
// Anything else declines: a comment, a string, a keyword, a number the lexer
// might part otherwise ("5-3", "5 0R"), deep nesting, a token that reaches the end
// of a text that is not whole. Then false, and `out` is left untouched; the lexer's
// read, which gives the same answer for every text this one accepts, decides.
// On true, `out` holds what the parser builds under `sieve` and `span` where the
// dictionary opens and where "endobj" ends (0 without one).
bool readPlainDictionary(const uint8_t* text, uint32_t length, bool textIsWhole, IndirectObjectHolder* xref,
                         ValueSieve& sieve, CPdfElement& out, DictionarySpan& span);
