#pragma once
// What the differential targets share. Each holds one of the program's fast
// readers (one that answers from an object's first bytes without the parser) to
// the parser's answer, and aborts where the two differ. They share:
// - the input's layout: a byte of options, a byte that moves texts across the
//   edges of the fast readers' first reads, then texts, one per object, between
//   the lines "%%next";
// - the padding that does the moving: the first "@pad@" in a text becomes
//   spaces enough that what follows it starts at a chosen distance from the
//   text's start, just before, on or after an edge;
// - a small PDF file that holds the texts as objects 1, 2, ... at their
//   entries' offsets, after a catalogue and a page tree of one page, so that a
//   recovering open finds its page tree and reads the table as it stands;
// - the sieves the program reads objects with, and a description of a value in
//   which every field the readers answer shows.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzWorkspace.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "pages/PageTreeSieve.h"
#include "parse/PdfLexer.h"
#include "parse/ValueSieve.h"
#include "xref/ObjectExtent.h"

namespace fuzzing {

inline constexpr std::string_view pieceSeparator = "%%next\n";
inline constexpr std::string_view padMarker = "@pad@";
inline constexpr size_t mostPieces = 16;

// The edges, counted from an object's start: the sieved fetch's first and second
// reads (512 and 8192 bytes), the first chunk of the search for an object's end
// and the buffer of the lexer over the file (4096), a block of the file's cache
// (16384); none, and a few short ones for small texts.
inline uint32_t readEdge(unsigned choice) {
    static const uint32_t edges[8] = {0, 512, 4096, 8192, 16384, 64, 1024, 2048};
    return edges[choice & 7];
}

// Where the padding ends: `delta` (a signed byte) around the edge, never before 0.
inline size_t paddedTo(uint32_t edge, uint8_t delta) {
    const int64_t at = int64_t{edge} + static_cast<int8_t>(delta);
    return static_cast<size_t>(std::max<int64_t>(at, 0));
}

// The text with its first marker turned into spaces that end `to` bytes into it
// (the marker merely dropped where it lies beyond).
inline std::string padded(std::string_view text, size_t to) {
    const size_t marker = text.find(padMarker);
    if (marker == std::string_view::npos) return std::string(text);
    const size_t spaces = to > marker ? to - marker : 0;
    std::string out(text.substr(0, marker));
    out.append(spaces, ' ');
    out += text.substr(marker + padMarker.size());
    return out;
}

// The texts between the separators, each padded; no more than a few.
inline std::vector<std::string> piecesOf(std::string_view text, size_t padTo) {
    std::vector<std::string> pieces;
    while (pieces.size() < mostPieces) {
        const size_t end = text.find(pieceSeparator);
        pieces.push_back(padded(text.substr(0, end), padTo));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + pieceSeparator.size());
    }
    return pieces;
}

struct SmallFile {
    std::string bytes;
    std::vector<uint32_t> offsets;  // of objects 1, 2, ...: the texts
};

// The texts as objects 1 to n, after a catalogue (n + 1) and its page tree
// (n + 2, n + 3), with a classic table and trailer after them.
inline SmallFile smallFile(const std::vector<std::string>& texts) {
    SmallFile file;
    const int n = static_cast<int>(texts.size());
    file.bytes = "%PDF-1.4\n";
    std::vector<uint32_t> treeOffsets;
    const std::string tree[3] = {
        "<< /Type /Catalog /Pages " + std::to_string(n + 2) + " 0 R >>",
        "<< /Type /Pages /Kids [" + std::to_string(n + 3) + " 0 R] /Count 1 >>",
        "<< /Type /Page /Parent " + std::to_string(n + 2) + " 0 R /MediaBox [0 0 612 792] >>",
    };
    for (int i = 0; i < 3; ++i) {
        treeOffsets.push_back(static_cast<uint32_t>(file.bytes.size()));
        file.bytes += std::to_string(n + 1 + i) + " 0 obj\n" + tree[i] + "\nendobj\n";
    }
    for (const std::string& text : texts) {
        file.offsets.push_back(static_cast<uint32_t>(file.bytes.size()));
        file.bytes += text;
    }
    const size_t table = file.bytes.size();
    file.bytes += "\nxref\n0 " + std::to_string(n + 4) + "\n0000000000 65535 f \n";
    char row[32];
    std::vector<uint32_t> all = file.offsets;
    all.insert(all.end(), treeOffsets.begin(), treeOffsets.end());
    for (const uint32_t offset : all) {
        std::snprintf(row, sizeof row, "%010u 00000 n \n", offset);
        file.bytes += row;
    }
    file.bytes += "trailer\n<< /Size " + std::to_string(n + 4) + " /Root " + std::to_string(n + 1) +
                  " 0 R >>\nstartxref\n" + std::to_string(table + 1) + "\n%%EOF\n";
    return file;
}

// The keys a dictionary of the text may hold: every name in it, also as the
// parser keeps a key, cut at a NUL that an escape made.
inline std::set<std::string> namesIn(std::string_view text) {
    std::set<std::string> names;
    TextSource source(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    for (lexer.lexToken(token); !token.is(LexedToken::Kind::EndOfFile); lexer.lexToken(token)) {
        if (!token.is(LexedToken::Kind::Name)) continue;
        const std::string name(token.name());
        names.insert(name.substr(0, name.find('\0')));
        names.insert(name);
    }
    return names;
}

// Describing a dictionary costs its candidate keys: texts with very many
// dictionaries and keys are left out.
inline bool fewEnoughToDescribe(std::string_view text, size_t keys) {
    size_t dictionaries = 0;
    for (size_t at = text.find("<<"); at != std::string_view::npos; at = text.find("<<", at + 2)) ++dictionaries;
    return dictionaries * keys <= (size_t{1} << 20);
}

// The sieves the program reads objects with (see PageTreeSieve, the page's
// rotation and shape, the probe of a catalogue, a node's entries but its kids, the
// head of a stream), and one that keeps everything.
class ProbeLikeSieve : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key == "Type" || key == "Pages" || key == "Kids"; }
    bool keepsElement(std::string_view, uint32_t, CPdfElement&) override { return false; }
};
class AllButKidsSieve : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key != "Kids"; }
};
class EverythingSieve : public ValueSieve {
public:
    bool keeps(std::string_view) const override { return true; }
};

inline std::unique_ptr<ValueSieve> sieveNumbered(unsigned choice, uint64_t kidsLeft) {
    switch (choice & 7) {
    case 0:
        return std::make_unique<PageTreeSieve>(kidsLeft, true);
    case 1:
        return std::make_unique<PageTreeSieve>(kidsLeft, false);
    case 2:
        return std::make_unique<KeySieve>(KeySieve{"Rotate", "Parent"});
    case 3:
        return std::make_unique<KeySieve>(KeySieve{"MediaBox", "CropBox", "Parent"});
    case 4:
        return std::make_unique<ProbeLikeSieve>();
    case 5:
        return std::make_unique<AllButKidsSieve>();
    case 6:
        return std::make_unique<KeySieve>(KeySieve{"Length", "Type"});
    default:
        return std::make_unique<EverythingSieve>();
    }
}

// A value described to its last field: the kind, an integer with its value
// modulo 360, a real to the bit, texts byte for byte, and of a dictionary, for
// each candidate key, its first and its last value. With `applied`, the sieve is
// applied as the parser applies it while it reads (to a value read whole): only
// the kept keys, and each element of an array held directly under a kept key
// offered to it in turn.
class Description {
public:
    Description(const std::set<std::string>& keys, ValueSieve* applied) : keys(keys), sieve(applied) {}

    std::string of(const CPdfElement& value) {
        std::string out;
        describe(out, value, {});
        return out;
    }

private:
    static void hexOf(std::string& out, std::string_view bytes) {
        static const char digits[] = "0123456789abcdef";
        for (const char c : bytes) {
            out += digits[static_cast<unsigned char>(c) >> 4];
            out += digits[static_cast<unsigned char>(c) & 15];
        }
    }

    void describe(std::string& out, const CPdfElement& value, std::string_view elementKey) {
        char number[64];
        switch (value.type()) {
        case ElementType::Boolean:
            out += value.boolean() ? "true" : "false";
            return;
        case ElementType::Integer:
            out += std::to_string(value.integer()) + "%" + std::to_string(value.integerModulo360());
            return;
        case ElementType::Real: {
            const auto written = std::to_chars(number, number + sizeof number, value.real(), std::chars_format::hex);
            out += "r" + std::string(number, written.ptr);
            return;
        }
        case ElementType::String:
            out += "<";
            hexOf(out, value.stringBytes());
            out += ">";
            return;
        case ElementType::Name:
            out += "/";
            hexOf(out, value.text());
            return;
        case ElementType::Keyword:
            out += "k:";
            hexOf(out, value.text());
            return;
        case ElementType::Reference:
            out += std::to_string(value.refNum()) + " " + std::to_string(value.refGen()) + " R";
            return;
        case ElementType::Array:
            describeArray(out, *value.array(), elementKey);
            return;
        case ElementType::Dictionary:
            describeDictionary(out, *value.dictionary());
            return;
        case ElementType::Stream:
            out += "stream";
            if (const CPdfDictionary* dictionary = value.stream()->streamDictionary())
                describeDictionary(out, *dictionary);
            return;
        default:
            out += "kind" + std::to_string(static_cast<int>(value.type()));
            return;
        }
    }

    static bool sameContainer(const CPdfElement& one, const CPdfElement& other) {
        if (one.type() != other.type()) return false;
        if (one.is(ElementType::Array)) return one.array() == other.array();
        if (one.is(ElementType::Dictionary)) return one.dictionary() == other.dictionary();
        return false;
    }

    void describeArray(std::string& out, const CPdfArray& array, std::string_view elementKey) {
        out += "[";
        for (int32_t i = 0, offered = 0; i < array.size(); ++i) {
            CPdfElement element;
            array.atRaw(i, element);
            if (sieve && !elementKey.empty() &&
                !sieve->keepsElement(elementKey, static_cast<uint32_t>(offered++), element))
                continue;
            describe(out, element, {});
            out += " ";
        }
        out += "]";
    }

    void describeDictionary(std::string& out, const CPdfDictionary& dictionary) {
        out += "<<";
        for (const std::string& key : keys) {
            if (sieve && !sieve->keeps(key)) continue;
            CPdfElement first, last;
            dictionary.findRaw(key, first);
            dictionary.findLastRaw(key, last);
            if (first.is(ElementType::Null) && last.is(ElementType::Null)) continue;
            out += key + "=";
            describe(out, first, key);
            // A key given once has its one value last too: described again, nested
            // dictionaries would cost twice their depth's power.
            if (!sameContainer(first, last)) {
                out += " last=";
                describe(out, last, key);
            }
            out += "; ";
        }
        out += ">>";
    }

    const std::set<std::string>& keys;
    ValueSieve* sieve;
};

// Every field of an extent that the readers of raw text use, and those that lead
// to them; none of an extent that is not readable, which nobody reads.
inline std::string describe(const ObjectExtent& extent) {
    if (!extent.readable) return "unreadable";
    return "generation " + std::to_string(extent.generation) + ", text " + std::to_string(extent.start) + "-" +
           std::to_string(extent.end) + " within " + std::to_string(extent.limit) + ", ending " +
           std::to_string(static_cast<int>(extent.ending)) + (extent.isStream ? ", stream" : "") +
           (extent.isObjectStream ? ", object stream" : "") + ", data end " + std::to_string(extent.dataEnd) +
           (extent.endstreamMissing ? ", endstream missing" : "");
}

// An abort that shows both answers.
inline void requireSame(const std::string& fast, const std::string& parsed, const char* what) {
    if (fast == parsed) return;
    std::fprintf(stderr, "fast path:   %s\nparser path: %s\n", fast.c_str(), parsed.c_str());
    require(false, what);
}

}  // namespace fuzzing
