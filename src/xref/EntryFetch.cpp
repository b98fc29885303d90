#include "xref/EntryFetch.h"

#include <vector>

#include "xref/PdfXRef.h"
#include "xref/XRefEntry.h"

ObjectId entryObjectId(const CPdfXRef& xref, int32_t number) {
    const std::vector<XRefEntry>& entries = xref.getEntries();
    if (number < 0 || static_cast<size_t>(number) >= entries.size()) return {number, 0};
    const XRefEntry& entry = entries[static_cast<size_t>(number)];
    return {number, entry.type == XRefEntryType::Compressed ? 0 : entry.gen};
}

CPdfElement fetchAtEntryGeneration(CPdfXRef& xref, int32_t number, ValueSieve* sieve) {
    const ObjectId id = entryObjectId(xref, number);
    CPdfElement object;
    xref.fetchObject(id.number, id.generation, object, sieve);
    return object;
}
