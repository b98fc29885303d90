#pragma once

#include <cstdint>

// What a page's own dictionary says of its rotation, noted when the page tree walk
// parses the page, so that the rotation the page shows is found without parsing it
// again. The values are taken as the dictionary holds them, references unresolved.
// A record per page: its fields are ordered and sized to pack (generations run to 65535).
struct PageRotationFacts {
    enum class Rotate : uint8_t { Absent, Value, Reference };
    int32_t value = 0;               // Value: the number, 0 for a value that is no number; Reference: the object
    int32_t parent = -1;             // the object number /Parent refers to; -1 when it is no reference
    uint16_t generation = 0;         // Reference: its generation
    Rotate rotate = Rotate::Absent;  // Absent also for an explicit null
    bool rotateKey = false;          // the dictionary holds its own key Rotate, whatever its value
};

// One leaf page of the page tree, in document order.
struct PageRecord {
    int32_t objNum = 0;  // -1 for a page given directly inside Kids: it has no object number
    int32_t rotation = 0;
    uint8_t selected = 0;
    uint8_t upright = 0;  // selected to be turned so that its text reads upright (an "auto" angle)
    PageRotationFacts facts;
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
