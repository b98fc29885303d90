#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "xref/NumberMap.h"
#include "xref/ObjectExtent.h"
#include "xref/ObjectLayout.h"
#include "xref/XRefEntry.h"

class CPdfXRef;
class FileBlockCache;

// Finds where the objects stored directly in the file lie (see ObjectExtent), each
// the way the cross-reference's parser reads it, and keeps what lookups have
// already seen of their ends, so that no text is read twice to find where it ends.
class ObjectExtents {
public:
    explicit ObjectExtents(CPdfXRef& xref) : xref(xref) {}

    // The extent of object `number`, whose entry stores it in the file.
    ObjectExtent locate(int32_t number, const XRefEntry& entry);

    // A lookup read object `number`'s header under its entry's generation at its
    // entry's offset, and a dictionary with no stream, opening `opening` bytes on and
    // followed by the closing keyword, which ends `length` bytes on. Only texts of a
    // few kilobytes are noted (a lookup reads no more).
    void noteDictionary(int32_t number, uint32_t opening, uint32_t length);
    // A lookup read object `number` in an object stream, from the start of the text
    // that stream hands out for it, and a dictionary opening `opening` bytes on;
    // `alone`: nothing but white space follows the dictionary in that text.
    void noteMemberDictionary(int32_t number, uint32_t opening, bool alone);
    struct MemberDictionary {
        uint32_t opening = 0;  // 0 when nothing was noted of the object
        bool alone = false;
    };
    // What was noted above of object `number` of an object stream.
    MemberDictionary memberDictionary(int32_t number) const;

    // The objects are where the entries now say (after a rebuild): nothing seen of the old ones holds.
    void forget();

    // Where the objects start, in file order.
    const ObjectLayout& layout();

    // Off, the parser reads every object's head, never its first bytes alone (see
    // locate): for the differential fuzz target, which holds the two to one answer.
    void skimHeads(bool on) { skimmingHeads = on; }

private:
    std::optional<ObjectExtent> noted(int32_t number, const XRefEntry& entry, uint64_t start, uint64_t limit);

    CPdfXRef& xref;
    std::optional<ObjectLayout> objectLayout;
    // What lookups found of a dictionary they read whole, counted from the start of
    // the object's text: its header in the file, or its text in an object stream,
    // whose length is not kept (the note of one is never taken for the other). A
    // length of 0 notes nothing.
    struct NotedDictionary {
        // In place of a length, for a text in an object stream: one whose dictionary
        // stands alone there, and any other.
        static constexpr uint16_t aloneInObjectStream = UINT16_MAX - 1;
        static constexpr uint16_t inObjectStream = UINT16_MAX;
        uint16_t length = 0;
        uint16_t opening = 0;
        bool operator==(const NotedDictionary&) const = default;
        bool isMember() const { return length >= aloneInObjectStream; }
    };
    NumberMap<NotedDictionary> dictionaries;
    NotedDictionary& noteAt(int32_t number);
    bool skimmingHeads = true;
    std::unique_ptr<uint8_t[]> firstBytesBuffer;  // an object's first bytes, while it is located
};
