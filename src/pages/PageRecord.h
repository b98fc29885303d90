#pragma once

#include <cstdint>

// One leaf page of the page tree, in document order.
struct PageRecord {
    int32_t objNum = 0;  // -1 for a page given directly inside Kids: it has no object number
    int32_t rotation = 0;
    uint8_t selected = 0;
    // The /Rotate that the page tree nodes above the page hand down to it: 0 when
    // none states one. Not known when the nearest one is not a direct integer.
    int32_t inheritedRotation = 0;
    bool inheritedKnown = true;
};

// The kinds of page selection that the options ask for.
enum class PageSelection : int32_t {
    List = 1,
    All = 2,
    Odd = 3,
    Even = 4,
    FirstHalf = 5,
    LastHalf = 6,
};
