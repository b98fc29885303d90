#include "xref/DocumentTraits.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/ValueSieve.h"
#include "stream/FileBlockCache.h"
#include "xref/PdfXRef.h"

namespace {

// "1.7" and the like: digits and dots, no longer than a version is.
constexpr size_t longestVersion = 8;

bool isVersionCharacter(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; }

// The version's numbers, major first, for comparing "1.10" with "1.9".
bool isLater(const std::string& version, const std::string& than) {
    auto numbers = [](const std::string& text) {
        unsigned long major = 0, minor = 0;
        const size_t dot = text.find('.');
        for (size_t i = 0; i < text.size() && i < dot; ++i)
            major = major * 10 + static_cast<unsigned long>(text[i] - '0');
        for (size_t i = dot == std::string::npos ? text.size() : dot + 1; i < text.size() && text[i] != '.'; ++i)
            minor = minor * 10 + static_cast<unsigned long>(text[i] - '0');
        return std::make_pair(major, minor);
    };
    return numbers(version) > numbers(than);
}

// A catalogue's /Version: a name of digits and dots, or nothing.
std::string catalogueVersion(CPdfXRef& xref) {
    try {
        CPdfElement catalogue, version;
        xref.fetchObject(xref.rootNum(), xref.rootGen(), catalogue);
        if (!catalogue.is(ElementType::Dictionary)) return "";
        catalogue.dictionary()->find("Version", version);
        if (!version.is(ElementType::Name)) return "";
        const std::string text = version.text();
        const bool wellFormed = !text.empty() && text.size() <= longestVersion &&
                                std::isdigit(static_cast<unsigned char>(text[0])) &&
                                std::all_of(text.begin(), text.end(), isVersionCharacter);
        return wellFormed ? text : "";
    } catch (const CPdfException&) {
        return "";  // a catalogue that cannot be read declares nothing
    }
}

}  // namespace

std::string headerVersion(const CPdfXRef& xref) {
    FileBlockCache* bytes = xref.blockCache();
    if (!bytes) return "";
    uint8_t header[5 + longestVersion] = {};
    const size_t got = bytes->readFully(xref.baseOffset(), header, sizeof header);
    if (got < 5 || std::memcmp(header, "%PDF-", 5) != 0) return "";
    std::string version;
    for (size_t i = 5; i < got && isVersionCharacter(static_cast<char>(header[i])); ++i)
        version += static_cast<char>(header[i]);
    return version;
}

std::string declaredVersion(CPdfXRef& xref) {
    const std::string header = headerVersion(xref);
    const std::string catalogue = catalogueVersion(xref);
    return !catalogue.empty() && (header.empty() || isLater(catalogue, header)) ? catalogue : header;
}

bool usesObjectStreams(const CPdfXRef& xref) {
    for (const auto& [number, entry] : xref.getEntries())
        if (entry.type == XRefEntryType::Compressed) return true;
    return false;
}

bool isLinearized(CPdfXRef& xref, uint64_t fileSize) {
    constexpr int32_t searched = 1024;
    int32_t first = -1;
    int64_t firstOffset = searched;
    for (const auto& [number, entry] : xref.getEntries()) {
        if (entry.type == XRefEntryType::Uncompressed && entry.offset() >= 0 && entry.offset() < firstOffset) {
            first = number;
            firstOffset = entry.offset();
        }
    }
    if (first < 0) return false;
    try {
        KeySieve linearizationEntries{"Linearized", "L"};
        CPdfElement object, marker, length;
        xref.fetchObject(first, xref.getEntries().at(first).gen, object, &linearizationEntries);
        if (!object.is(ElementType::Dictionary)) return false;
        object.dictionary()->find("Linearized", marker);
        if (!marker.is(ElementType::Integer) && !marker.is(ElementType::Real)) return false;
        object.dictionary()->find("L", length);
        const uint64_t fromHeader = fileSize - std::min<uint64_t>(fileSize, xref.baseOffset());
        return !length.is(ElementType::Integer) || (length.integer() >= 0 && uint64_t(length.integer()) == fromHeader);
    } catch (const CPdfException&) {
        return false;  // a first object that cannot be read marks nothing
    }
}
