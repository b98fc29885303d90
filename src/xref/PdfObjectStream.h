#pragma once

#include <cstdint>
#include <vector>

#include "model/PdfElement.h"

class CPdfXRef;

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
    std::vector<int32_t> objectNumbers;
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
    std::vector<int32_t> objectNumbers;
    std::vector<uint8_t> data;
    int32_t dataLength = 0;
    int32_t first = 0;
    std::vector<int32_t> offsets;
};

// The object numbers that object stream `streamNumber` lists in its header, in
// header order (an object's index is its place there); empty when the stream is
// unusable. Only the header is decoded, and the bytes count against the budget of
// object stream work.
std::vector<int32_t> readObjectStreamNumbers(CPdfXRef* xref, int32_t streamNumber);
