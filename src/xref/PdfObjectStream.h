#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/PdfElement.h"

class CPdfXRef;

// The object numbers of an object stream's header. An entry's index is tried first;
// when it does not hold the object asked for (the cross-reference is wrong), the
// object is looked up by its number, as other readers do: the first listing wins.
class ObjectStreamIndex {
public:
    std::vector<int32_t> numbers;
    // The index that holds `objectNumber`, or -1.
    int32_t find(int32_t index, int32_t objectNumber) const;

private:
    mutable std::unordered_map<int32_t, int32_t> byNumber;  // made at the first miss
};

// An object stream in parsed form: every object parsed once, for fetchObject.
// An unusable stream gives an empty record, which answers every lookup with Null.
class CPdfObjectStream {
public:
    CPdfObjectStream(CPdfXRef* xref, int32_t streamNumber);
    virtual ~CPdfObjectStream() = default;

    void getObject(int32_t index, int32_t objectNumber, CPdfElement& out) const;

    int32_t streamNum;
    int32_t objectCount = 0;
    std::vector<CPdfElement> objects;
    ObjectStreamIndex objectNumbers;
};

// An object stream in raw form: the decoded data and the header's offsets, so that
// an object's text can be handed out exactly as stored.
class CPdfRawObjectStream {
public:
    CPdfRawObjectStream(CPdfXRef* xref, int32_t streamNumber);
    virtual ~CPdfRawObjectStream() = default;

    // A pointer into `data` and the text's length, or null (length untouched).
    const uint8_t* getObjectText(int32_t index, int32_t objectNumber, int32_t& length) const;

    int32_t streamNum;
    int32_t objectCount = 0;
    ObjectStreamIndex objectNumbers;
    std::vector<uint8_t> data;
    int32_t dataLength = 0;
    int32_t first = 0;
    std::vector<int32_t> offsets;
};
