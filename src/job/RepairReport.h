#pragma once

#include <cstdint>
#include <string>

// What "-repair" had to do for one file, and the line that tells the user.
struct RepairReport {
    bool crossReferenceRebuilt = false;
    bool tableJunkPassedOver = false;
    bool pageCountFromLeaves = false;  // the root's /Count disagreed with the leaves of the page tree
    uint32_t leafPages = 0;
    uint64_t streamLengthsCorrected = 0;
    uint64_t endsAdded = 0;         // objects written with the closing keywords they lacked
    uint64_t pagesMoved = 0;        // page dictionaries written directly in /Kids, given objects of their own
    uint64_t typesCorrected = 0;    // page tree objects whose /Type disagreed with what they hold
    uint64_t containersClosed = 0;  // objects written with the arrays and dictionaries they left open closed
    uint64_t stringsClosed = 0;     // objects of object streams written with a string closed at their end

    // "File repaired: " and what was done, or empty when the file needed nothing.
    std::string text() const;
};
