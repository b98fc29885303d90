#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/PageRecord.h"
#include "pages/PageShape.h"

// A page list in the forms beyond numbers and ranges: "end" and "rN" (the N-th
// page from the end) as page numbers, named selections as items of a list, and an
// angle per item after a colon: "1-3:90,4-end:180", "odd:90,even:270",
// "landscape". An item without an angle takes the job's; where items overlap,
// the later one counts. An item after "~" is an exclusion ("1-end,~5-7",
// "all,~odd"): it takes its pages out of what the items before it chose, and
// items after it may choose them again. Parsing, resolving and marking each take
// time linear in the text and the page count, whatever the items.
class PageItemList {
public:
    // True when `text` uses any of these forms; a list of plain numbers and
    // ranges keeps the classic rules and messages.
    static bool usesExtendedForms(const std::string& text);

    // Reads the list; throws a message that names the item for an empty item, an
    // item that is none of the forms, page 0, r0, an angle that is neither a
    // number nor "auto" (the rotation under which the page's text reads upright)
    // or lies beyond the 32-bit range, an exclusion with an angle, or one that
    // comes first (there is nothing before it to take pages from). An item
    // without an angle takes `defaultAngle`, or "auto" when `uprightByDefault`.
    PageItemList(std::string text, int32_t defaultAngle, bool uprightByDefault = false);

    // Turns "end" and "rN" into page numbers; throws for a page beyond the file or
    // a range that runs backwards. An exclusion's pages beyond the file are none.
    void resolve(uint32_t pageCount);
    // The resolved items with their angles, as the console shows them:
    // "1-3 at 90, 4-12 at 180", "odd at 90, even at 270"; an exclusion without
    // one: "1-12 at 90, ~5-7".
    std::string summary() const;
    // "landscape" or "portrait" is among the items.
    bool needsShapes() const { return shapesNeeded; }
    // Some item's angle is "auto".
    bool asksUpright() const { return uprightAsked; }
    // Marks each page with the angle of the last item that names it. `shapes`
    // holds a shape for each page record when needsShapes(), else nothing. With
    // `markedBy`, each page gets there the number of that item, counted from 1,
    // or 0 where no item names it.
    void mark(std::vector<PageRecord>& pages, const std::vector<PageShape>& shapes,
              std::vector<uint32_t>* markedBy = nullptr) const;

    // The items whose own angle is not a multiple of 90, which ISO 32000 requires
    // of /Rotate, as typed.
    struct ItemAngle {
        std::string item;
        int32_t angle;
    };
    std::vector<ItemAngle> anglesOffQuarterTurns() const;

    enum class Kind : uint8_t { Pages, All, Odd, Even, FirstHalf, LastHalf, Landscape, Portrait };

private:
    // A page number as written: counted from the start, or from the end ("rN"; "end" is r1).
    struct PageNumber {
        uint32_t value = 0;  // at most the largest 32-bit number
        bool fromEnd = false;
        size_t digitsStart = 0, digitsLength = 0;  // the digits as typed, for messages
    };
    struct Item {
        Kind kind = Kind::Pages;
        bool isRange = false;
        PageNumber first, last;  // a single page has both the same
        int32_t angle = 0;
        bool angleGiven = false;               // after a colon, rather than the job's
        bool excludes = false;                 // "~": its pages are taken out, not marked
        bool upright = false;                  // "auto": the angle comes from the page's text
        size_t textStart = 0, textLength = 0;  // where the item stands in the list, for messages
        uint32_t firstPage = 0, lastPage = 0;  // resolved; for named kinds too once resolved
    };

    Item parseItem(size_t start, size_t length, int32_t defaultAngle, bool uprightByDefault);
    PageNumber parseNumber(const Item& item, size_t start, size_t length) const;
    uint32_t resolveNumber(const Item& item, const PageNumber& number, uint32_t pageCount) const;
    void resolveExclusion(Item& item, uint32_t pageCount) const;
    std::string itemText(const Item& item) const { return text.substr(item.textStart, item.textLength); }
    [[noreturn]] void fail(const Item& item, const std::string& reason, bool afterFileOpened = false) const;

    std::string text;
    std::vector<Item> items;
    uint32_t resolvedCount = 0;
    bool shapesNeeded = false;
    bool uprightAsked = false;
};
