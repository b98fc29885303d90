#pragma once

#include <cstdint>

class CPdfElement;
class CPdfXRef;
class ValueSieve;

// A sieved fetch of the object at file position `offset`, with header "number
// generation obj", made from its first bytes by the dictionary reader when that
// gives what the parser would (see readSievedDictionary). False when the parser
// must read it.
bool fetchSievedFromFile(CPdfXRef& xref, uint64_t offset, int32_t number, int32_t generation, ValueSieve& sieve,
                         CPdfElement& out);
