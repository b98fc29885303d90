#include "xref/XRefEntryTable.h"

#include "limits/Limits.h"
#include "model/PdfException.h"

void XRefEntryTable::setFileSize(uint64_t bytes) {
    entriesTheFileCanHold = bytes / limits::minimumBytesPerObject + limits::entryAllowance;
}

bool XRefEntryTable::grow(int64_t size) {
    if (size > limits::maximumEntries) return false;
    if (size > 0 && static_cast<uint64_t>(size) > entriesTheFileCanHold) throw CPdfException("PDF file was damaged");
    if (size > static_cast<int64_t>(entries.size())) entries.resize(static_cast<size_t>(size));
    return true;
}

void XRefEntryTable::setIfUnset(int64_t number, const XRefEntry& entry) {
    XRefEntry& stored = entries[static_cast<size_t>(number)];
    if (stored.isUnset()) stored = entry;
}

void XRefEntryTable::applyFree(const DeferredFree& freeEntries) {
    for (const auto& [number, entry] : freeEntries) setIfUnset(number, entry);
}
