#pragma once

#include <cstdint>

class CPdfElement;
class ValueSieve;

// What arrays and dictionaries resolve their references through: the document's
// cross-reference, which lives in a room above the model and implements this.
class IndirectObjectHolder {
public:
    // Parses the object `number` `generation` R into `out`; with a sieve, only what
    // it keeps is built.
    virtual void fetchObject(int32_t number, int32_t generation, CPdfElement& out, ValueSieve* sieve = nullptr) = 0;

protected:
    ~IndirectObjectHolder() = default;
};
