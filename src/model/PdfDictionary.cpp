#include "model/PdfDictionary.h"

#include <utility>

CPdfDictionary::~CPdfDictionary() = default;

void CPdfDictionary::keepLater(const char* key, const CPdfElement& value) {
    if (!laterValues) laterValues = std::make_unique<Entries>();
    CPdfElement& slot = (*laterValues)[key];
    slot.clear();
    slot.copyFrom(value);
}

void CPdfDictionary::add(const char* key, const CPdfElement& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return keepLater(key, value);  // the first occurrence wins
    entries.emplace_hint(position, key, value);
}

void CPdfDictionary::add(const char* key, CPdfElement&& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return keepLater(key, value);  // the first occurrence wins
    entries.emplace_hint(position, key, std::move(value));
}

const CPdfElement* CPdfDictionary::lookup(const char* key) const {
    auto position = entries.find(std::string_view(key));
    return position == entries.end() ? nullptr : &position->second;
}

void CPdfDictionary::find(const char* key, CPdfElement& out) const {
    if (const CPdfElement* value = lookup(key)) value->resolve(xref, out);
    else out.setNull();
}

void CPdfDictionary::findRaw(const char* key, CPdfElement& out) const {
    if (const CPdfElement* value = lookup(key)) out.copyFrom(*value);
    else out.setNull();
}

void CPdfDictionary::findLastRaw(const char* key, CPdfElement& out) const {
    if (laterValues) {
        const auto later = laterValues->find(std::string_view(key));
        if (later != laterValues->end()) return out.copyFrom(later->second);
    }
    findRaw(key, out);
}
