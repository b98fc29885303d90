#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "limits/Limits.h"
#include "xref/XRefEntry.h"

// The entries of every cross-reference section of one file, with the rules that
// decide between sections: the newest section is read first and wins, so an entry
// is stored only while no section has set it. A hybrid-reference file's table
// commonly lists as free the objects that only its XRefStm stream knows; its free
// entries therefore wait until that stream has been read.
class XRefEntryTable {
public:
    // Makes room for numbers below `size`. The table grows only as sections really
    // list entries, so a huge declared size costs nothing. False when `size` is
    // beyond the PDF format's limit; throws "PDF file was damaged" beyond what the
    // file can hold (see setFileSize) and beyond the ceiling on sparse numbers.
    [[nodiscard]] bool grow(int64_t size);
    // Every object takes a few bytes of the file at the least, even packed in
    // compressed streams: more entries listed than the file can hold are damage.
    void setFileSize(uint64_t bytes);
    static uint64_t entriesAFileCanHold(uint64_t fileBytes);
    // Whether numbers below `size` fit: within the format's limit, and within the
    // file's size or the ceiling on sparse numbers.
    bool canHold(int64_t size) const {
        return size <= limits::maximumEntries &&
               (size <= limits::sparseNumberCeiling || static_cast<uint64_t>(size) <= entriesTheFileCanHold);
    }
    // The Size that a cross-reference stream declares. Numbers below it that no
    // section lists read as free objects.
    void declareSize(int64_t size) { declaredSize = std::max(declaredSize, size); }
    bool isDeclared(int64_t number) const { return number >= 0 && number < declaredSize; }
    // Stores `entry` for `number` (already within size) unless a newer section set it.
    void setIfUnset(int64_t number, const XRefEntry& entry);
    // A classic table's free entries, held back by its reader until the section's
    // XRefStm stream has been read, and then stored where nothing else was.
    using DeferredFree = std::vector<std::pair<int64_t, XRefEntry>>;
    void applyFree(const DeferredFree& freeEntries);

    // A rebuilt cross-reference has no sections to decide between: its entries are
    // taken as they are, and later finds replace earlier ones.
    void assign(std::vector<XRefEntry> rebuilt) { entries = std::move(rebuilt); }
    // Stores `entry` for `number`, growing the table; false beyond the format's limit.
    [[nodiscard]] bool replace(int64_t number, const XRefEntry& entry);

    const std::vector<XRefEntry>& all() const { return entries; }
    size_t size() const { return entries.size(); }
    const XRefEntry& operator[](size_t number) const { return entries[number]; }

private:
    void countListed();

    std::vector<XRefEntry> entries;
    uint64_t listed = 0;  // entries the sections have set
    int64_t declaredSize = 0;
    uint64_t entriesTheFileCanHold = UINT64_MAX;
};
