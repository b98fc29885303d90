#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/PdfElement.h"
#include "stream/DecodedBytes.h"

class CPdfXRef;
class ValueSieve;

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

// One object stream decoded: its data (no more than the limit allows, or the file
// is damaged), the header's numbers and offsets, and where each object's text
// starts. Both forms below read from it, so a stream is decoded once for both.
// An unusable stream gives an empty record, which answers every lookup with none.
class DecodedObjectStream {
public:
    DecodedObjectStream(CPdfXRef* xref, int32_t streamNumber);

    int32_t streamNum;
    int32_t objectCount = 0;
    ObjectStreamIndex objectNumbers;
    DecodedBytes data;
    int32_t first = 0;
    std::vector<int32_t> offsets;
    // The window that the parsed form reads object k from: consecutive from the
    // first offset on, each as long as the distance to the next offset (none
    // shorter than nothing), the last one to the end of the data.
    std::vector<uint32_t> windowStarts;
    std::vector<uint32_t> windowEnds;

    // Object k's text as the raw form hands it out, exactly as its offsets frame
    // it: [start, end) of the data; false when the offsets reach outside it.
    bool textBounds(size_t k, int64_t& start, int64_t& end) const;
};

// An object stream in parsed form, for fetchObject: each object is parsed from
// its window when it is asked for, so that memory holds no more than the data.
class CPdfObjectStream {
public:
    CPdfObjectStream(CPdfXRef* xref, std::shared_ptr<const DecodedObjectStream> decoded);
    virtual ~CPdfObjectStream() = default;

    // With a sieve, only what it keeps is built.
    void getObject(int32_t index, int32_t objectNumber, CPdfElement& out, ValueSieve* sieve = nullptr) const;

    int32_t streamNum;
    std::shared_ptr<const DecodedObjectStream> decoded;

private:
    CPdfXRef* xref;
};

// An object stream in raw form: an object's text handed out exactly as stored.
class CPdfRawObjectStream {
public:
    explicit CPdfRawObjectStream(std::shared_ptr<const DecodedObjectStream> decoded);
    virtual ~CPdfRawObjectStream() = default;

    // A pointer into the data and the text's length, or null (length untouched).
    const uint8_t* getObjectText(int32_t index, int32_t objectNumber, int32_t& length) const;

    int32_t streamNum;
    std::shared_ptr<const DecodedObjectStream> decoded;
};

// The object numbers that object stream `streamNumber` lists in its header, in
// header order (an object's index is its place there); empty when the stream is
// unusable. Only the header is decoded, and the bytes count against the budget of
// object stream work.
std::vector<int32_t> readObjectStreamNumbers(CPdfXRef* xref, int32_t streamNumber);
