#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "model/CountedObject.h"
#include "model/PdfElement.h"

// A shared, reference-counted PDF array. It remembers the cross-reference through
// which the references it holds are resolved by at(); atRaw() never resolves.
class CPdfArray : public CountedObject {
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

protected:
    ~CPdfArray() override = default;

private:
    IndirectObjectHolder* xref;
    std::vector<CPdfElement> elements;
};
