#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "model/PdfElement.h"
#include "xref/XRefEntry.h"

class CPdfStream;
class CPdfParser;
class CPdfObjectStream;
class CPdfRawObjectStream;

// The loaded cross-reference of one open PDF file: the entries of every section
// along the Prev chain (the newest section wins), the newest trailer, and the one
// object stream kept decoded in each of its two forms.
class CPdfXRef {
public:
    CPdfXRef();
    CPdfXRef(const CPdfXRef&) = delete;
    CPdfXRef& operator=(const CPdfXRef&) = delete;
    virtual ~CPdfXRef();

    // Reads every section of `stream` (the whole file, not owned), then the
    // trailer's Root, Info and Encrypt.
    void load(CPdfStream* stream);

    void fetchObject(int32_t number, int32_t generation, CPdfElement& out);
    const std::vector<XRefEntry>& getEntries() const { return entries; }
    // The text of a Compressed object inside its decoded object stream, or null.
    const uint8_t* getRawObject(int32_t number, int32_t generation, int32_t& length);

    uint32_t findStartXRef();
    bool readSection(uint32_t& offset);
    bool readTable(CPdfParser& parser, uint32_t& offset);
    bool readCrossRefStream(CPdfStream* stream, uint32_t& offset);
    void readStreamSubsection(CPdfStream* stream, int32_t w0, int32_t w1, int32_t w2, int32_t first,
                              int32_t count);

    // Counts bytes decoded from object streams. Only one object stream stays decoded
    // in each form, so objects that alternate between streams decode them again and
    // again; past a budget that grows with the file's size this is taken as damage.
    void chargeObjectStreamWork(uint64_t decodedBytes);

    CPdfStream* fileStream() const { return file; }
    uint32_t baseOffset() const { return base; }
    const CPdfElement& trailerDictionary() const { return trailer; }

    // The PDF format's limit on indirect objects: numbers run to 8,388,607.
    static constexpr int32_t maximumEntries = 8388608;

    int32_t rootNum = 0;
    int32_t rootGen = 0;
    int32_t infoNum = 0;
    int32_t infoGen = 0;

private:
    void growEntries(int64_t size, const char* failure);
    void readSectionChain();
    void readTrailerReferences();
    bool readPrev(const CPdfDictionary& dictionary, uint32_t& offset);
    void readHybridStream(const CPdfDictionary& trailerOfTable);
    void fetchUncompressed(int32_t number, int32_t generation, const XRefEntry& entry, CPdfElement& out);
    void fetchCompressed(int32_t number, const XRefEntry& entry, CPdfElement& out);

    CPdfStream* file = nullptr;
    uint32_t base = 0;
    std::vector<XRefEntry> entries;
    CPdfElement trailer;
    std::unique_ptr<CPdfObjectStream> objectStreamCache;
    std::unique_ptr<CPdfRawObjectStream> rawObjectStreamCache;
    std::set<uint32_t> sectionsRead;
    uint64_t objectStreamWork = 0;
    uint64_t objectStreamBudget = 0;
    int fetchDepth = 0;
};
