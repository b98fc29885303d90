#pragma once

#include <cstdint>
#include <string_view>

#include "parse/ValueSieve.h"

// What the page tree walk reads of a node or a page: its kids, its count, its
// type, its parent and its rotation. Everything else a node or page holds (its
// resources, annotations, anything an attacker adds) is passed over unbuilt.
//
// Of a Kids array it keeps no more elements than the walk may still visit: the
// walk stops at its visit limit anyway, so the rest are left out and an Error
// element stands at the place where it would stop. When the walk tells pages from
// nodes by their Type, a kid given directly that is neither (its Type a name other
// than those) is kept as an empty element: the walk passes it over as it would the
// dictionary.
class PageTreeSieve : public ValueSieve {
public:
    explicit PageTreeSieve(uint64_t kidsLeft, bool passOverOtherKids = true)
        : kidsLeft(kidsLeft), passOverOtherKids(passOverOtherKids) {}

    bool keeps(std::string_view key) const override;
    bool keepsElement(std::string_view key, uint32_t index, CPdfElement& element) override;

private:
    uint64_t kidsLeft;
    bool passOverOtherKids;  // false when the walk takes every direct kid for a page or a node
};
