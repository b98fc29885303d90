#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/PdfElement.h"
#include "model/Retainable.h"

// A shared, reference-counted PDF dictionary. Keys are compared byte for byte;
// of two equal keys the first one added wins. An absent key reads as Null. The
// last value of a repeated key is kept aside, for the few keys whose readers all
// take the last one (a page's /Rotate).
class CPdfDictionary final : public Retainable<CPdfDictionary> {
public:
    explicit CPdfDictionary(IndirectObjectHolder* xref) : xref(xref) {}

    void add(std::string_view key, const CPdfElement& value);
    // The same, taking the value over when the key is new.
    void add(std::string_view key, CPdfElement&& value);
    // The value, with one step of resolution through the dictionary's cross-reference.
    void find(std::string_view key, CPdfElement& out, ValueSieve* sieve = nullptr) const;
    // The value as stored: a reference stays a reference. Tells whether the key is
    // there at all (a null value too), which one lookup answers with the value.
    bool findRaw(std::string_view key, CPdfElement& out) const;
    // The same for the key's last occurrence.
    bool findLastRaw(std::string_view key, CPdfElement& out) const;
    // The value as stored, or null when the key is not there: a look without a copy,
    // valid while the dictionary holds the key.
    const CPdfElement* rawValue(std::string_view key) const { return lookup(key); }
    // The same for the key's last occurrence.
    const CPdfElement* lastRawValue(std::string_view key) const;
    // Whether the key is there at all (with a null value too).
    bool holds(std::string_view key) const { return lookup(key) != nullptr; }

    void setXRef(IndirectObjectHolder* crossReference) { xref = crossReference; }

private:
    friend class Retainable<CPdfDictionary>;  // only the last count ends a dictionary
    ~CPdfDictionary();

    using Entries = std::map<std::string, CPdfElement, std::less<>>;
    // Most dictionaries hold a few entries: those stay in one vector, in the order
    // added, and are looked up one by one. A dictionary that grows past them moves
    // to a map, where each entry is a node of its own.
    static constexpr size_t fewEntries = 8;
    static constexpr size_t firstRoom = 4;  // a page tree object's kept values fit at once

    template <class Value>
    void addEntry(std::string_view key, Value&& value);
    const CPdfElement* lookup(std::string_view key) const;
    void moveToMap();
    void keepLater(std::string_view key, const CPdfElement& value);

    IndirectObjectHolder* xref;
    std::vector<std::pair<std::string, CPdfElement>> few;
    std::unique_ptr<Entries> many;         // once the dictionary holds more than a few entries
    std::unique_ptr<Entries> laterValues;  // the last value of each repeated key; none in most dictionaries
};
