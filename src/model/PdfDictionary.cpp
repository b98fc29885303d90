#include "model/PdfDictionary.h"

#include <utility>

CPdfDictionary::~CPdfDictionary() = default;

void CPdfDictionary::keepLater(std::string_view key, const CPdfElement& value) {
    if (!laterValues) laterValues = std::make_unique<Entries>();
    auto position = laterValues->lower_bound(key);
    if (position == laterValues->end() || position->first != key)
        position = laterValues->emplace_hint(position, key, CPdfElement());
    position->second.clear();
    position->second.copyFrom(value);
}

void CPdfDictionary::moveToMap() {
    many = std::make_unique<Entries>();
    for (auto& [key, value] : few) many->emplace(std::move(key), std::move(value));
    std::vector<std::pair<std::string, CPdfElement>>().swap(few);
}

// The first occurrence of a key wins; a later one is kept aside.
template <class Value>
void CPdfDictionary::addEntry(std::string_view key, Value&& value) {
    if (!many) {
        if (lookup(key)) return keepLater(key, value);
        if (few.size() < fewEntries) {
            if (few.empty()) few.reserve(firstRoom);
            few.emplace_back(key, std::forward<Value>(value));
            return;
        }
        moveToMap();
    }
    auto position = many->lower_bound(key);
    if (position != many->end() && position->first == key) return keepLater(key, value);
    many->emplace_hint(position, key, std::forward<Value>(value));
}

void CPdfDictionary::add(std::string_view key, const CPdfElement& value) { addEntry(key, value); }

void CPdfDictionary::add(std::string_view key, CPdfElement&& value) { addEntry(key, std::move(value)); }

const CPdfElement* CPdfDictionary::lookup(std::string_view key) const {
    if (many) {
        const auto position = many->find(key);
        return position == many->end() ? nullptr : &position->second;
    }
    for (const auto& [entryKey, value] : few)
        if (entryKey == key) return &value;
    return nullptr;
}

void CPdfDictionary::find(std::string_view key, CPdfElement& out, ValueSieve* sieve) const {
    if (const CPdfElement* value = lookup(key)) value->resolve(xref, out, sieve);
    else out.setNull();
}

bool CPdfDictionary::findRaw(std::string_view key, CPdfElement& out) const {
    const CPdfElement* value = lookup(key);
    if (value) out.copyFrom(*value);
    else out.setNull();
    return value != nullptr;
}

const CPdfElement* CPdfDictionary::lastRawValue(std::string_view key) const {
    if (laterValues) {
        const auto later = laterValues->find(key);
        if (later != laterValues->end()) return &later->second;
    }
    return lookup(key);
}

bool CPdfDictionary::findLastRaw(std::string_view key, CPdfElement& out) const {
    const CPdfElement* value = lastRawValue(key);
    if (value) out.copyFrom(*value);
    else out.setNull();
    return value != nullptr;
}
