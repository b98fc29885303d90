#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "output/XRefWriter.h"
#include "xref/XRefEntryTable.h"

struct RawObject;

// With "-repair": the objects that each page refers to directly (its /Contents,
// /Resources and the rest, not its /Parent), noted as the pages are copied, so
// that an output that lacks one of them says so instead of ending silently.
class PageUses {
public:
    struct Loss {
        size_t page;     // its index in the page list
        int32_t object;  // the object it uses that the output lacks
    };

    // Notes the references in a page's text held in memory (a text that lies in
    // the input is too large to be a page dictionary worth reading again).
    void note(size_t page, const RawObject& text);

    // The uses whose object the output lacks: one that the cross-reference lists in
    // use and that was not written, or, when the cross-reference was rebuilt, one
    // that the scan did not find at all. In page order, each object once.
    std::vector<Loss> lost(const OutputTable& written, const XRefEntryTable& entries, bool rebuilt) const;

private:
    std::vector<Loss> uses;
};
