#include "xref/EntryFetch.h"

#include <vector>

#include "xref/PdfXRef.h"
#include "xref/XRefEntry.h"

ObjectId entryObjectId(const CPdfXRef& xref, int32_t number) {
    const XRefEntry* entry = xref.getEntries().find(number);
    if (!entry) return {number, 0};
    return {number, entry->type == XRefEntryType::Compressed ? 0 : entry->gen};
}

CPdfElement fetchAtEntryGeneration(CPdfXRef& xref, int32_t number, ValueSieve* sieve) {
    const ObjectId id = entryObjectId(xref, number);
    CPdfElement object;
    xref.fetchObject(id.number, id.generation, object, sieve);
    return object;
}
