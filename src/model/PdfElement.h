#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/ObjectId.h"

class CPdfArray;
class CPdfDictionary;
class CPdfStream;
class CountedStream;
class IndirectObjectHolder;
class ValueSieve;

// The kinds of PDF values. The numbers are fixed: stored tokens compare against them.
enum class ElementType : int32_t {
    Boolean = 0,
    Integer = 1,
    Real = 2,
    String = 3,
    Name = 4,
    Null = 5,
    Array = 6,
    Dictionary = 7,
    Stream = 8,
    Reference = 9,
    Keyword = 10,
    Error = 11,
    EndOfFile = 12,
    None = 13,
};

// One PDF value: a kind and an eight-byte payload. Texts are owned and copied
// deeply; arrays, dictionaries and streams are shared, and an element holds one
// counted reference to the object in its payload. A text of up to seven bytes is
// kept in the payload itself: most keys and keywords are that short, and the
// parser makes millions of them.
//
// Out-parameter convention: every operation that gives an element a kind writes
// into an element that holds no payload. A caller reusing an element calls clear().
class CPdfElement {
public:
    CPdfElement() = default;
    CPdfElement(const CPdfElement& other);
    // Takes the value over without copying its text; `other` is left empty.
    CPdfElement(CPdfElement&& other) noexcept;
    CPdfElement& operator=(const CPdfElement& other);
    // Takes the value over, as the move constructor does, after letting go of its own.
    CPdfElement& operator=(CPdfElement&& other) noexcept;
    // Most elements hold a number, a reference or a short text in the payload:
    // those end with nothing to let go of, without a call.
    ~CPdfElement() {
        if (ownsPayload()) clear();
    }

    // A shared element of kind Null, for the dictionary slot of plain sub-streams.
    static const CPdfElement& null();

    void clear();
    void copyFrom(const CPdfElement& source);
    // Like copyFrom, but the payload and its counted reference or text move over:
    // `source` is left empty and nothing is allocated.
    void takeFrom(CPdfElement& source);
    // One step of resolution: a Reference is fetched through `objects`, anything else copied.
    // With a sieve, an object fetched is built only as far as the sieve keeps it.
    void resolve(IndirectObjectHolder* objects, CPdfElement& out, ValueSieve* sieve = nullptr) const;

    void makeArray(IndirectObjectHolder* objects);
    void makeDictionary(IndirectObjectHolder* objects);
    void shareDictionary(CPdfDictionary* dictionary);
    // Streams are held through their counted base: the stream classes live in a room
    // above the model, and are complete only where these templates are used.
    template <class Stream = CPdfStream>
    void shareStream(Stream* stream) {
        shareCounted(stream);
    }
    void makeString(const char* text);
    // A string of any bytes, NUL among them (keys, salts and file identifiers are binary).
    void makeString(const char* bytes, size_t length);
    void makeName(const char* text);
    // A name of exactly these bytes, without a copy made to end them (a name read plainly holds no NUL).
    void makeName(std::string_view bytes);
    void makeKeyword(const char* text);

    void setBoolean(bool value);
    void setInteger(int64_t value);
    // An integer as written, with the value held at the 64-bit limits and, apart,
    // the written value modulo 360 with its sign, which no limit changes.
    void setInteger(int64_t value, int32_t modulo360);
    void setReal(double value);
    void setReference(int32_t number, int32_t generation);
    void setReference(ObjectId id) { setReference(id.number, id.generation); }
    void setNull() { kind = ElementType::Null; }
    void setError() { kind = ElementType::Error; }
    void setEndOfFile() { kind = ElementType::EndOfFile; }

    // A wide integer held at the 32-bit limits, as the readers of numbers that are no positions read it.
    static int32_t heldAt32Bits(int64_t value) {
        return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
    }

    ElementType type() const { return kind; }
    bool is(ElementType t) const { return kind == t; }
    // The parser asks this of every token: the first byte settles most answers inline.
    bool isKeyword(const char* text) const {
        return kind == ElementType::Keyword && this->text()[0] == text[0] && std::strcmp(this->text(), text) == 0;
    }
    // True for a Name, String or Keyword whose text equals `text`.
    bool hasText(const char* text) const;

    // Valid while this element holds the text (like std::string::c_str).
    const char* text() const { return textIsInline ? payload.shortText : payload.text; }
    // A String's bytes in full; text() ends at the first NUL among them.
    std::string_view stringBytes() const;
    // An Integer held at the 32-bit limits: a count, a number, a Length, a /Rotate.
    int32_t integer() const { return heldAt32Bits(payload.integer); }
    // An Integer held at the 64-bit limits: a position in a file of any size.
    int64_t wideInteger() const { return payload.integer; }
    // An Integer as written, modulo 360 with its sign: what a /Rotate of any
    // number of digits comes to (-359 to 359).
    int32_t integerModulo360() const { return integerModulo; }
    double real() const { return payload.real; }
    bool boolean() const { return payload.boolean != 0; }
    CPdfArray* array() const { return payload.array; }
    CPdfDictionary* dictionary() const { return payload.dictionary; }
    template <class Stream = CPdfStream>
    Stream* stream() const {
        return static_cast<Stream*>(payload.stream);
    }
    int32_t refNum() const { return payload.reference.number; }
    int32_t refGen() const { return payload.reference.generation; }
    ObjectId reference() const { return {payload.reference.number, payload.reference.generation}; }

private:
    // Whether the payload holds what the element must let go of: a text kept
    // outside it, or a counted reference.
    bool ownsPayload() const {
        switch (kind) {
        case ElementType::String:
        case ElementType::Name:
        case ElementType::Keyword:
            return !textIsInline;
        case ElementType::Array:
        case ElementType::Dictionary:
        case ElementType::Stream:
            return true;
        default:
            return false;
        }
    }

    void makeText(ElementType textKind, const char* text);
    void makeText(ElementType textKind, const char* text, size_t length);
    void shareCounted(CountedStream* stream);

    ElementType kind = ElementType::None;
    bool textIsInline = false;  // the text lives in payload.shortText
    int16_t integerModulo = 0;  // an Integer's, beside its value in the payload
    union Payload {
        uint8_t boolean;
        int64_t integer;  // held at the 64-bit limits
        double real;
        char* text;
        char shortText[8];
        CPdfArray* array;
        CPdfDictionary* dictionary;
        CountedStream* stream;
        struct {
            int32_t number;
            int32_t generation;
        } reference;
    } payload{};
};

// Parsed objects hold millions of elements; the memory bounds of the parser count
// on an element being a kind word and its payload, with nothing else beside them.
static_assert(sizeof(CPdfElement) == 16, "a PDF value is a kind and an eight-byte payload");
