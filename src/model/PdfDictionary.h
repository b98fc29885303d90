#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "model/PdfElement.h"
#include "model/Retainable.h"

// A shared, reference-counted PDF dictionary. Keys are compared byte for byte;
// of two equal keys the first one added wins. An absent key reads as Null. The
// last value of a repeated key is kept aside, for the few keys whose readers all
// take the last one (a page's /Rotate).
class CPdfDictionary final : public Retainable<CPdfDictionary> {
public:
    explicit CPdfDictionary(IndirectObjectHolder* xref) : xref(xref) {}

    void add(const char* key, const CPdfElement& value);
    // The same, taking the value over when the key is new.
    void add(const char* key, CPdfElement&& value);
    // The value, with one step of resolution through the dictionary's cross-reference.
    void find(const char* key, CPdfElement& out, ValueSieve* sieve = nullptr) const;
    // The value as stored: a reference stays a reference.
    void findRaw(const char* key, CPdfElement& out) const;
    // The same for the key's last occurrence.
    void findLastRaw(const char* key, CPdfElement& out) const;

    void setXRef(IndirectObjectHolder* crossReference) { xref = crossReference; }

private:
    friend class Retainable<CPdfDictionary>;  // only the last count ends a dictionary
    ~CPdfDictionary();

    // Values live in the map's nodes: one allocation an entry.
    using Entries = std::map<std::string, CPdfElement, std::less<>>;

    const CPdfElement* lookup(const char* key) const;

    void keepLater(const char* key, const CPdfElement& value);

    IndirectObjectHolder* xref;
    Entries entries;
    std::unique_ptr<Entries> laterValues;  // the last value of each repeated key; none in most dictionaries
};
