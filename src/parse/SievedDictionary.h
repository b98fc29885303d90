#pragma once

#include <cstdint>

class CPdfElement;
class IndirectObjectHolder;
class ValueSieve;

// Builds what the parser builds of a dictionary object under `sieve` (see
// ValueSieve), from its text read by the dictionary reader: only the kept values
// are made, and nothing else is lexed twice. For the page tree walk, which keeps
// five keys of objects that hold many more.
//
// `text` starts at the object's value (after "N G obj" in a file). It serves only
// where the answer is sure to be the parser's: a dictionary that reads plainly
// (see DictionaryReader::plain), closes within the text and heads no stream, whose
// kept values are numbers, names, booleans, null, references, or arrays of those.
// `textIsWhole`: the text ends where the object's bytes end, as in an object
// stream; otherwise more may follow it in the file, and a token that reaches its
// end settles nothing. Unless Built, `out` is left untouched, and `span`, when
// given, where the dictionary lies in the text.
struct DictionarySpan {
    uint32_t opening = 0;    // just after the "<<" that opens the dictionary
    uint32_t objectEnd = 0;  // just after a whole closing keyword right after it (0 without one)
    bool alone = false;      // nothing but white space follows it, to the end of a whole text
};
enum class SievedRead {
    Built,
    TextTooShort,  // the dictionary reads plainly as far as the text goes: more text may settle it
    ForTheParser,
};
SievedRead readSievedDictionary(const uint8_t* text, uint32_t length, bool textIsWhole, IndirectObjectHolder* xref,
                                ValueSieve& sieve, CPdfElement& out, DictionarySpan* span = nullptr);
