#include "model/PdfDictionary.h"

#include <utility>

CPdfDictionary::~CPdfDictionary() = default;

void CPdfDictionary::add(const char* key, const CPdfElement& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return;  // the first occurrence wins
    entries.emplace_hint(position, key, value);
}

void CPdfDictionary::add(const char* key, CPdfElement&& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return;  // the first occurrence wins
    entries.emplace_hint(position, key, std::move(value));
}

const CPdfElement* CPdfDictionary::lookup(const char* key) const {
    auto position = entries.find(std::string_view(key));
    return position == entries.end() ? nullptr : &position->second;
}

void CPdfDictionary::find(const char* key, CPdfElement& out, ValueSieve* sieve) const {
    if (const CPdfElement* value = lookup(key)) value->resolve(xref, out, sieve);
    else out.setNull();
}

void CPdfDictionary::findRaw(const char* key, CPdfElement& out) const {
    if (const CPdfElement* value = lookup(key)) out.copyFrom(*value);
    else out.setNull();
}
