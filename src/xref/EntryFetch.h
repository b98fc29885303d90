#pragma once

#include <cstdint>

#include "model/ObjectId.h"
#include "model/PdfElement.h"

class CPdfXRef;
class ValueSieve;

// The id under which object `number` is asked for when nothing names its
// generation: the one its entry gives, or 0 for an object kept in an object
// stream (its entry holds its index there) and for a number the entries do not hold.
ObjectId entryObjectId(const CPdfXRef& xref, int32_t number);

// Object `number`, fetched under the generation of entryObjectId; with a sieve,
// built only as far as the sieve keeps it. Throws what the lookup throws.
CPdfElement fetchAtEntryGeneration(CPdfXRef& xref, int32_t number, ValueSieve* sieve = nullptr);
