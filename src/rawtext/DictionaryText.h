#pragma once

#include <cstdint>

#include "model/PdfElement.h"
#include "rawtext/TextTokens.h"

// The top-level entries of a dictionary in object text, paired as the parser pairs
// them but without building the values: where each key and value lies, and what a
// simple value is. For edits of one entry of an object's text in place.
class DictionaryText {
public:
    enum class ValueKind {
        Integer,
        Real,
        Reference,
        Name,
        Missing,  // the dictionary closes right after the key
        Other,    // a string, a container, a keyword: passed over whole
    };

    // `start`: just after the "<<" that opens the dictionary.
    DictionaryText(const uint8_t* text, uint32_t length, uint32_t start);
    DictionaryText(const DictionaryText&) = delete;
    DictionaryText& operator=(const DictionaryText&) = delete;

    // Moves to the next entry. False at the dictionary's end (closed() says whether
    // its ">>" was read) or at the end of the text. What stands where a key belongs
    // but is no name is passed over, as the parser passes over it.
    bool next();

    bool keyIs(const char* name) const { return key.hasText(name); }
    uint32_t keyEnd() const { return keyEndsAt; }
    ValueKind valueKind() const { return kind; }
    int32_t integer() const { return number; }        // Integer; for a Reference, its object number
    int32_t generation() const { return referenceGeneration; }
    double real() const { return realValue; }
    bool valueIs(const char* name) const { return kind == ValueKind::Name && value.hasText(name); }
    uint32_t valueEnd() const { return valueEndsAt; }

    bool closed() const { return sawClose; }
    // Just after the ">>" that closes the dictionary, once closed().
    uint32_t end() const { return closeEnd; }

private:
    void classifyValue();

    TextTokens tokens;
    CPdfElement key;
    CPdfElement value;
    uint32_t keyEndsAt = 0;
    uint32_t valueEndsAt = 0;
    ValueKind kind = ValueKind::Other;
    int32_t number = 0;
    int32_t referenceGeneration = 0;
    double realValue = 0;
    bool sawClose = false;
    bool closeAfterEntry = false;  // the last value was the ">>" itself
    uint32_t closeEnd = 0;
};

// Just after the "<<" that opens the dictionary of an object's text (its header
// "N G obj" first); 0 when the object holds no dictionary there.
uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length);
