#include "xref/XRefEntryTable.h"

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"

void XRefEntryTable::setFileSize(uint64_t bytes) {
    entriesTheFileCanHold = entriesAFileCanHold(bytes);
    fileBytes = bytes;
}

void XRefEntryTable::expect(int64_t first, uint64_t count) {
    if (first >= 0 && canHold(first) && count > 0)
        stored.expect(static_cast<int32_t>(first),
                      static_cast<size_t>(std::min<uint64_t>(count, limits::mostEntriesExpectedAtOnce)));
}

uint64_t XRefEntryTable::entriesAFileCanHold(uint64_t fileBytes) {
    return fileBytes / limits::minimumBytesPerObject + limits::entryAllowance;
}

bool XRefEntryTable::grow(int64_t size) {
    if (!canHold(size)) return false;
    numbers = std::max(numbers, size);
    return true;
}

void XRefEntryTable::countListed() {
    if (++listed > entriesTheFileCanHold) throw CPdfException(FailureKind::Damaged, message::damaged);
}

const XRefEntry& XRefEntryTable::at(int64_t number) const {
    const XRefEntry* entry = find(number);
    return entry ? *entry : unsetEntry;
}

void XRefEntryTable::setIfUnset(int64_t number, const XRefEntry& entry) {
    XRefEntry& slot = stored.at(static_cast<int32_t>(number));
    if (!slot.isUnset()) return;
    countListed();
    slot = entry;
}

void XRefEntryTable::applyFree(const DeferredFree& freeEntries) {
    for (const auto& [number, entry] : freeEntries) setIfUnset(number, entry);
}

void XRefEntryTable::adoptRebuilt(XRefEntryTable&& found) {
    const uint64_t fileBound = entriesTheFileCanHold, bytes = fileBytes;
    *this = std::move(found);
    entriesTheFileCanHold = fileBound;
    fileBytes = bytes;
}

bool XRefEntryTable::replace(int64_t number, const XRefEntry& entry) {
    if (number < 0 || !grow(number + 1)) return false;
    XRefEntry& slot = stored.at(static_cast<int32_t>(number));
    if (slot.isUnset()) countListed();
    slot = entry;
    return true;
}
