#pragma once
// Writes values back in the PDF format's syntax, in one canonical form, so that a
// value read, written and read again can be compared with itself: strings in hex,
// names with every byte outside the printable regular ones escaped, reals in their
// shortest fixed form. A dictionary holds no list of its keys, so its entries are
// written in the order of a set of candidate keys (every name the text holds).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "parse/CharacterClass.h"
#include "stream/PdfStream.h"

namespace fuzzing {

inline void writeHexByte(std::string& out, unsigned char byte) {
    static const char digits[] = "0123456789ABCDEF";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

inline void writeName(std::string& out, std::string_view name) {
    out += '/';
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && byte != '#' && pdfchar::isRegular(byte)) {
            out += c;
        } else {
            out += '#';
            writeHexByte(out, byte);
        }
    }
}

inline void writeString(std::string& out, std::string_view bytes) {
    out += '<';
    for (const char c : bytes) writeHexByte(out, static_cast<unsigned char>(c));
    out += '>';
}

// Always with a point, so that it lexes as a real. A real beyond the largest
// double (a long run of digits) is written as one more digit than any double has.
inline void writeReal(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += value < 0 ? "-1" : "1";
        out.append(400, '0');
        out += ".0";
        return;
    }
    char digits[400];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    const std::string_view text(digits, static_cast<size_t>(written.ptr - digits));
    out += text;
    if (text.find('.') == std::string_view::npos) out += '.';
}

// Which dictionary entries are written: all of them, or those a sieve keeps.
using KeyFilter = std::function<bool(std::string_view)>;

inline void writeValue(std::string& out, const CPdfElement& value, const std::set<std::string>& keys,
                       const KeyFilter& kept);

inline void writeDictionary(std::string& out, const CPdfDictionary& dictionary, const std::set<std::string>& keys,
                            const KeyFilter& kept) {
    out += "<<";
    for (const std::string& key : keys) {
        if (kept && !kept(key)) continue;
        CPdfElement value;
        dictionary.findRaw(key, value);
        // Null reads as absent, and so does the end of the input taken as the value
        // of a key that the text ends with.
        if (value.is(ElementType::Null) || value.is(ElementType::EndOfFile)) continue;
        writeName(out, key);
        out += ' ';
        writeValue(out, value, keys, kept);
        out += ' ';
    }
    out += ">>";
}

// A stream is written as its dictionary: its data is not a value.
inline void writeValue(std::string& out, const CPdfElement& value, const std::set<std::string>& keys,
                       const KeyFilter& kept) {
    switch (value.type()) {
    case ElementType::Boolean:
        out += value.boolean() ? "true" : "false";
        return;
    case ElementType::Integer:
        out += std::to_string(value.integer());
        return;
    case ElementType::Real:
        writeReal(out, value.real());
        return;
    case ElementType::String:
        writeString(out, value.stringBytes());
        return;
    case ElementType::Name:
        writeName(out, value.text());
        return;
    case ElementType::Null:
        out += "null";
        return;
    case ElementType::Array:
        out += '[';
        for (int32_t i = 0; i < value.array()->size(); ++i) {
            CPdfElement element;
            value.array()->atRaw(i, element);
            writeValue(out, element, keys, kept);
            out += ' ';
        }
        out += ']';
        return;
    case ElementType::Dictionary:
        writeDictionary(out, *value.dictionary(), keys, kept);
        return;
    case ElementType::Stream:
        if (const CPdfDictionary* dictionary = value.stream()->streamDictionary())
            writeDictionary(out, *dictionary, keys, kept);
        else out += "<<>>";
        return;
    case ElementType::Reference:
        out += std::to_string(value.refNum()) + ' ' + std::to_string(value.refGen()) + " R";
        return;
    case ElementType::Keyword:
        out += value.text();
        return;
    case ElementType::Error:
        out += ')';
        return;
    default:
        out += "%none\n";
        return;
    }
}

inline std::string pdfSyntax(const CPdfElement& value, const std::set<std::string>& keys,
                             const KeyFilter& kept = nullptr) {
    std::string out;
    writeValue(out, value, keys, kept);
    return out;
}

}  // namespace fuzzing
