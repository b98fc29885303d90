#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "xref/XRefEntry.h"
#include "xref/XRefEntryTable.h"

class CPdfXRef;
class FileBlockCache;

// An object's text as the input stores it, from its header through its closing keyword and
// one white-space byte after it: in memory, or, when it is too large to hold,
// where it lies in the input file.
struct RawObject {
    std::vector<uint8_t> bytes;  // the whole text, when in memory
    bool inFile = false;         // the text is [fileStart, fileEnd) of the input, then `closingByte`
    uint64_t fileStart = 0;
    uint64_t fileEnd = 0;  // just after its closing keyword
    uint8_t closingByte = '\n';
    int32_t generation = 0;       // the generation in the object's header
    bool isObjectStream = false;  // a stream object whose Type is ObjStm
    bool endWritten = false;      // with "-repair": a missing "endstream" or closing keyword was added
    // The text ends where the lexer ends the object (or was built whole from an
    // object stream); false when only the first occurrence of the closing word
    // could end it, as in a damaged object.
    bool endKnown = true;
    // With "-repair": containers that the parser took as closed at the object's end
    // were closed in the text.
    bool containersClosed = false;
    // With "-repair": an object of an object stream whose string ran to the end of
    // its text was written with the string closed there.
    bool stringsClosed = false;
    // A dictionary that a lookup of the object read whole (the page tree walk's):
    // just after the "<<" that opens it, counted from the text's start; 0 when not known.
    uint32_t dictionaryOpening = 0;
    // That dictionary has nothing but white space after it up to the closing keyword
    // (a lookup found it so in an object stream's text, the text as it is here).
    bool dictionaryAlone = false;

    uint64_t length() const { return inFile ? fileEnd - fileStart + 1 : bytes.size(); }
};

// The first run of decimal digits after the first occurrence of `key` in the
// object's text, wherever the text is; 0 without one.
uint32_t findNumberInObject(FileBlockCache& input, const RawObject& object, const char* key);

// Just after the ">>" that closes the dictionary of a text whose dictionary stands
// alone in it (see RawObject::dictionaryAlone); 0 for any other text.
uint32_t aloneDictionaryEnd(const RawObject& object);

// Brings a text that lies in the file into memory (for an edit that must hold the
// whole object, as an incremental update's); false when it cannot be read.
bool loadObjectText(FileBlockCache& input, RawObject& object);

// Reads the raw text of object `number`. False when the object has none: a free
// entry, a header at its offset that is not its own, a missing closing keyword, an object
// stream without that object. A text never runs into the next object. With
// "-repair" an object without its closing keyword ends where its value ends, and a stream
// without "endstream" where its data ends; the missing words are added to the text.
bool readRawObject(CPdfXRef& xref, int32_t number, RawObject& out);
// The same for an object that an object stream holds, read to go into an object
// stream again: its strings stay as the stream holds them (an object stream is
// encrypted whole, not string by string). False for any other object.
bool readRawMember(CPdfXRef& xref, int32_t number, RawObject& out);
// The value in the text of an object of an object stream, as the two above frame
// it: the object's text as its stream holds it (with what a repair added).
std::string_view compressedObjectValue(std::string_view text, int32_t number);

// What a job needs to read raw object texts from one input: its file and its
// loaded cross-reference, which knows where each object lies. Borrows both.
class RawObjectReader {
public:
    RawObjectReader(FILE* input, CPdfXRef& xref);

    bool read(int32_t number, RawObject& out) const;
    // An object of an object stream, read to go into one again (see readRawMember).
    bool readMember(int32_t number, RawObject& out) const;
    const XRefEntryTable& entries() const { return entryList; }
    CPdfXRef& crossReference() const { return xref; }
    FILE* file() const { return input; }
    // The input's bytes, read through the document's block cache.
    FileBlockCache& bytes() const;

private:
    void closeWhatTheParserClosed(int32_t number, RawObject& out) const;

    FILE* input;
    CPdfXRef& xref;
    const XRefEntryTable& entryList;
};
