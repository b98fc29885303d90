#include "xref/XRefEntryTable.h"

#include "limits/Limits.h"
#include "model/PdfException.h"

void XRefEntryTable::setFileSize(uint64_t bytes) { entriesTheFileCanHold = entriesAFileCanHold(bytes); }

uint64_t XRefEntryTable::entriesAFileCanHold(uint64_t fileBytes) {
    return fileBytes / limits::minimumBytesPerObject + limits::entryAllowance;
}

bool XRefEntryTable::grow(int64_t size) {
    if (size > limits::maximumEntries) return false;
    if (!canHold(size)) throw CPdfException("PDF file was damaged");
    if (size > static_cast<int64_t>(entries.size())) entries.resize(static_cast<size_t>(size));
    return true;
}

void XRefEntryTable::countListed() {
    if (++listed > entriesTheFileCanHold) throw CPdfException("PDF file was damaged");
}

void XRefEntryTable::setIfUnset(int64_t number, const XRefEntry& entry) {
    XRefEntry& stored = entries[static_cast<size_t>(number)];
    if (!stored.isUnset()) return;
    countListed();
    stored = entry;
}

void XRefEntryTable::applyFree(const DeferredFree& freeEntries) {
    for (const auto& [number, entry] : freeEntries) setIfUnset(number, entry);
}

bool XRefEntryTable::replace(int64_t number, const XRefEntry& entry) {
    if (number < 0 || !grow(number + 1)) return false;
    if (entries[static_cast<size_t>(number)].isUnset()) countListed();
    entries[static_cast<size_t>(number)] = entry;
    return true;
}
