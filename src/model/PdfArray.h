#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "model/PdfElement.h"
#include "model/Retainable.h"

// A shared, reference-counted PDF array. It remembers the cross-reference through
// which the references it holds are resolved by at(); atRaw() never resolves.
class CPdfArray final : public Retainable<CPdfArray> {
public:
    explicit CPdfArray(IndirectObjectHolder* xref) : xref(xref) {}

    void add(const CPdfElement& element) { elements.push_back(element); }
    void add(CPdfElement&& element) { elements.push_back(std::move(element)); }
    int32_t size() const { return static_cast<int32_t>(elements.size()); }
    // The index must lie in [0, size()); callers check the size first.
    void at(int32_t index, CPdfElement& out, ValueSieve* sieve = nullptr) const {
        elements[index].resolve(xref, out, sieve);
    }
    void atRaw(int32_t index, CPdfElement& out) const { out.copyFrom(elements[index]); }

private:
    friend class Retainable<CPdfArray>;  // only the last count ends an array
    ~CPdfArray() = default;

    IndirectObjectHolder* xref;
    std::vector<CPdfElement> elements;
};
