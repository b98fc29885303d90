#include "model/PdfDictionary.h"

#include <utility>

CPdfDictionary::~CPdfDictionary() {
    for (auto& entry : entries) delete entry.second;
}

void CPdfDictionary::add(const char* key, const CPdfElement& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return;  // the first occurrence wins
    insert(position, key, new CPdfElement(value));
}

void CPdfDictionary::add(const char* key, CPdfElement&& value) {
    auto position = entries.lower_bound(std::string_view(key));
    if (position != entries.end() && position->first == key) return;  // the first occurrence wins
    insert(position, key, new CPdfElement(std::move(value)));
}

void CPdfDictionary::insert(Entries::iterator position, const char* key, CPdfElement* copy) {
    try {
        entries.emplace_hint(position, key, copy);
    } catch (...) {
        delete copy;
        throw;
    }
}

const CPdfElement* CPdfDictionary::lookup(const char* key) const {
    auto position = entries.find(std::string_view(key));
    return position == entries.end() ? nullptr : position->second;
}

void CPdfDictionary::find(const char* key, CPdfElement& out) const {
    if (const CPdfElement* value = lookup(key)) value->resolve(xref, out);
    else out.setNull();
}

void CPdfDictionary::findRaw(const char* key, CPdfElement& out) const {
    if (const CPdfElement* value = lookup(key)) out.copyFrom(*value);
    else out.setNull();
}
