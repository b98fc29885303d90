#include "parse/PlainStreamHead.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "parse/CharacterClass.h"

namespace {

// Reads forward through the head; every step fails when what it wants is not there
// or would touch the head's last byte, so that no token it takes can go on beyond it.
class HeadCursor {
public:
    HeadCursor(const uint8_t* bytes, uint32_t size) : bytes(bytes), size(size) {}

    uint32_t where() const { return at; }
    // Before the last byte: a token ending here is whole.
    bool inside() const { return at + 1 < size; }
    // The head's last byte, where no token may end (the head is never empty).
    uint32_t last() const { return size - 1; }
    uint8_t peek() const { return bytes[at]; }

    // The loops below count in locals: a store to `at` or to an out-parameter might
    // change the bytes, as the compiler sees it, and would be made on every byte.

    // At least one white-space byte when `required`; none of them the last byte.
    bool skipWhitespace(bool required) {
        const uint32_t from = at;
        uint32_t end = from;
        while (end < last() && pdfchar::isWhitespace(bytes[end])) ++end;
        at = end;
        return inside() && (!required || at > from);
    }
    // Up to `most` digits, at least one, as an unsigned integer; none may follow.
    bool digits(uint32_t most, int64_t& value) {
        const uint32_t from = at;
        const uint32_t bound = std::min(last(), from + most);
        uint32_t end = from;
        int64_t magnitude = 0;
        for (; end < bound; ++end) {
            const unsigned decimal = static_cast<unsigned>(bytes[end]) - '0';
            if (decimal > 9) break;
            magnitude = magnitude * 10 + decimal;
        }
        at = end;
        value = magnitude;
        return at > from && inside() && !pdfchar::isDigit(bytes[at]) && bytes[at] != '.';
    }
    // " 0 obj" ending a word, not at the head's last byte: the cursor then past it.
    bool generationZero() {
        constexpr std::string_view text = " 0 obj";
        if (size - at <= text.size() + 1 || std::memcmp(bytes + at, text.data(), text.size()) != 0 ||
            pdfchar::isRegular(bytes[at + text.size()]))
            return false;
        at += static_cast<uint32_t>(text.size());
        return true;
    }
    // A word of regular bytes that is exactly `word`.
    bool keyword(std::string_view word) {
        if (!follows(word)) return false;
        at += static_cast<uint32_t>(word.size());
        return inside() && !pdfchar::isRegular(bytes[at]);
    }
    bool follows(std::string_view text) const {
        return size - at > text.size() && std::memcmp(bytes + at, text.data(), text.size()) == 0;
    }
    // A name after its "/": regular bytes without "#", at least one.
    bool name(std::string_view& text) {
        if (bytes[at] != '/') return false;
        const uint32_t from = ++at;
        at = pdfchar::plainNameEnd(bytes, from, last());
        text = {reinterpret_cast<const char*>(bytes) + from, at - from};
        return at > from && inside() && bytes[at] != '#';
    }
    void pass(uint32_t count) { at += count; }

private:
    const uint8_t* bytes;
    uint32_t size;
    uint32_t at = 0;
};

// "number generation obj", the keyword followed by a byte that ends it.
bool objectHeader(HeadCursor& head, PlainObjectHeader& found) {
    int64_t number = 0, generation = 0;
    if (!head.digits(9, number)) return false;
    // Nearly every header goes on " 0 obj": taken at once, as the steps below take it.
    if (!head.generationZero() && (!head.skipWhitespace(true) || !head.digits(9, generation) ||
                                   !head.skipWhitespace(true) || !head.keyword("obj")))
        return false;
    found = {static_cast<int32_t>(number), static_cast<int32_t>(generation), head.where()};
    return true;
}

bool header(HeadCursor& head, PlainStreamHead& found) {
    PlainObjectHeader object;
    if (!objectHeader(head, object)) return false;
    found.number = object.number;
    found.generation = object.generation;
    return head.skipWhitespace(false) && head.follows("<<");
}

// The entries up to and past ">>"; of two equal keys the first counts.
bool entries(HeadCursor& head, PlainStreamHead& found) {
    head.pass(2);
    bool lengthSeen = false, typeSeen = false;
    for (;;) {
        if (!head.skipWhitespace(false)) return false;
        if (head.follows(">>")) {
            head.pass(2);
            return true;
        }
        std::string_view key, nameValue;
        if (!head.name(key) || !head.skipWhitespace(false)) return false;
        int64_t integer = 0;
        const bool isName = head.peek() == '/';
        if (isName ? !head.name(nameValue) : !head.digits(18, integer)) return false;
        if (!lengthSeen && key == "Length") {
            lengthSeen = true;
            found.lengthIsInteger = !isName;
            found.length = integer;
        } else if (!typeSeen && key == "Type") {
            typeSeen = true;
            found.isObjectStream = isName && nameValue == "ObjStm";
        }
        const uint8_t next = head.peek();
        if (!pdfchar::isWhitespace(next) && next != '/' && next != '>') return false;
    }
}

// "stream" and its line's end, after which the data starts.
bool streamStart(HeadCursor& head, PlainStreamHead& found) {
    if (!head.skipWhitespace(false) || !head.keyword("stream")) return false;
    if (head.follows("\r\n")) head.pass(2);
    else if (head.follows("\n")) head.pass(1);
    else return false;
    found.dataStart = head.where();
    return true;
}

}  // namespace

std::optional<PlainStreamHead> matchPlainStreamHead(const uint8_t* bytes, uint32_t size) {
    if (size == 0) return std::nullopt;
    HeadCursor head(bytes, size);
    PlainStreamHead found;
    if (!header(head, found) || !entries(head, found) || !streamStart(head, found)) return std::nullopt;
    return found;
}

std::optional<PlainObjectHeader> matchPlainObjectHeader(const uint8_t* bytes, uint32_t size) {
    if (size == 0) return std::nullopt;
    HeadCursor head(bytes, size);
    PlainObjectHeader found;
    if (!objectHeader(head, found)) return std::nullopt;
    return found;
}
