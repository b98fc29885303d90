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

    // "File repaired: " and what was done, or empty when the file needed nothing.
    std::string text() const;
};
