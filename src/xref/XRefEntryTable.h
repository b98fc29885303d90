#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "limits/Limits.h"
#include "xref/NumberMap.h"
#include "xref/XRefEntry.h"

// The entries of every cross-reference section of one file, with the rules that
// decide between sections: the newest section is read first and wins, so an entry
// is stored only while no section has set it. A hybrid-reference file's table
// commonly lists as free the objects that only its XRefStm stream knows; its free
// entries therefore wait until that stream has been read.
//
// Entries are held densely where numbers are dense and apart where a few are far
// past the others (see NumberMap), so memory follows the entries present, not the
// highest number. Numbers below numberBound() that no section set read as unset.
class XRefEntryTable {
public:
    using Iterator = NumberMap<XRefEntry>::Iterator;

    // Takes numbers below `size` as the table's: false beyond what object numbers
    // may be. Nothing is stored for them until a section sets them.
    [[nodiscard]] bool grow(int64_t size);
    // Every object takes a few bytes of the file at the least, even packed in
    // compressed streams: more entries listed than the file can hold are damage
    // ("PDF file was damaged").
    void setFileSize(uint64_t bytes);
    static uint64_t entriesAFileCanHold(uint64_t fileBytes);
    // Whether numbers below `size` may be listed.
    static bool canHold(int64_t size) { return size <= limits::maximumEntries; }
    // Whether the file can hold `count` objects (or the count is small).
    bool canList(int64_t count) const {
        return count <= limits::wholeTableNumbers || static_cast<uint64_t>(count) <= entriesTheFileCanHold;
    }
    // Whether one table from 0 to the highest number stays within what the file's
    // size could list, or is small: a table written whole costs nothing unusual.
    bool fitsOneTable() const {
        return numbers <= limits::wholeTableNumbers || static_cast<uint64_t>(numbers) <= entriesTheFileCanHold;
    }
    // The Size that a cross-reference stream declares. Numbers below it that no
    // section lists read as free objects.
    void declareSize(int64_t size) { declaredSize = std::max(declaredSize, size); }
    bool isDeclared(int64_t number) const { return number >= 0 && number < declaredSize; }
    // `count` entries from `first` on are about to be set: room for them at once,
    // which spares the entries' vector its doublings (each copies what it holds
    // into memory touched for the first time). The caller bounds `count` by what
    // the file can hold of its section.
    void expect(int64_t first, uint64_t count);
    // The file's size in bytes, 0 until it is told.
    uint64_t fileSize() const { return fileBytes; }
    // Stores `entry` for `number` (already within size) unless a newer section set it.
    void setIfUnset(int64_t number, const XRefEntry& entry);
    // A classic table's free entries, held back by its reader until the section's
    // XRefStm stream has been read, and then stored where nothing else was.
    using DeferredFree = std::vector<std::pair<int64_t, XRefEntry>>;
    void applyFree(const DeferredFree& freeEntries);

    // A rebuilt cross-reference has no sections to decide between: its entries are
    // taken as the scan found them, and later finds replace earlier ones.
    void adoptRebuilt(XRefEntryTable&& found);
    // Stores `entry` for `number`, growing the table; false beyond the format's limit.
    [[nodiscard]] bool replace(int64_t number, const XRefEntry& entry);
    // Once every entry is stored: puts them in number order for iteration.
    void finish() { stored.order(); }

    // Numbers below this belong to the table (the highest listed plus one).
    int64_t numberBound() const { return numbers; }
    // The entry of `number`: null outside the table, an unset entry where no
    // section set one.
    const XRefEntry* find(int64_t number) const {
        if (number < 0 || number >= numbers) return nullptr;
        const XRefEntry* entry = stored.find(static_cast<int32_t>(number));
        return entry ? entry : &unsetEntry;
    }
    // The entry of `number`, an unset one where there is none.
    const XRefEntry& at(int64_t number) const;
    // Entries the sections set.
    uint64_t listedCount() const { return listed; }
    // No more objects than this can exist: the numbers below the bound, and, where
    // those are too many to write in one table, the entries listed.
    uint64_t objectsAtMost() const {
        return fitsOneTable() ? static_cast<uint64_t>(numbers) : std::min<uint64_t>(numbers, listed);
    }
    // Every stored entry in ascending number, after finish(): where numbers are
    // dense, unset ones among them.
    Iterator begin() const { return stored.begin(); }
    Iterator end() const { return stored.end(); }

private:
    static constexpr XRefEntry unsetEntry{};

    void countListed();

    NumberMap<XRefEntry> stored;
    int64_t numbers = 0;
    uint64_t listed = 0;  // entries the sections have set
    int64_t declaredSize = 0;
    uint64_t entriesTheFileCanHold = UINT64_MAX;
    uint64_t fileBytes = 0;
};
