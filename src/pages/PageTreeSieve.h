#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/PdfElement.h"
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

    // For a kid about to be read for its kind and rotation: its Type, Parent and
    // Rotate are taken as the plain reader reads them (see ValueSieve::takes), so
    // that a page's dictionary is not built with them only to be read once. A Type
    // given by reference, as the first, stays in the dictionary with any other.
    void takeKindAndRotation() { taking = true; }
    // What was taken of `dictionary`, when it is the one the plain reader read
    // whole: the first Type and Parent and the last Rotate, each null where it has
    // none (the Type also when it stayed in the dictionary).
    struct Taken {
        const CPdfElement* type;
        const CPdfElement* parent;
        const CPdfElement* rotate;
    };
    std::optional<Taken> takenFrom(const CPdfElement& dictionary) const;

    void startDictionary() override;
    bool takes(std::string_view key, CPdfElement& value) override;
    void dictionaryRead(const CPdfElement& dictionary) override;

private:
    uint64_t kidsLeft;
    bool passOverOtherKids;  // false when the walk takes every direct kid for a page or a node
    bool taking = false;
    CPdfElement type, parent, rotate;  // None until taken
    bool typeStays = false;            // the first Type is a reference: every Type stays
    CPdfElement readWhole;             // the dictionary read whole, held so that no other takes its place
};
