#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/IndirectObjectHolder.h"
#include "limits/Limits.h"
#include "model/PdfElement.h"
#include "xref/ObjectExtent.h"
#include "xref/FileEncryption.h"
#include "xref/ObjectExtents.h"
#include "xref/ObjectStreams.h"
#include "xref/RecoveryState.h"
#include "xref/XRefEntry.h"
#include "xref/XRefEntryTable.h"
#include "xref/XRefSectionReader.h"

class CPdfFileStream;
class CPdfStream;
class FileBlockCache;
class ValueSieve;
class CPdfDictionary;

// The loaded cross-reference of one open PDF file: the entries of every section
// along the Prev chain, the newest trailer with its Root and Info, and object
// lookup. Its parts answer the rest: where the objects stored in the file lie
// (extents), the object streams and their decoding budget (objectStreams), the
// encryption (encryption), and what reading a damaged file found (recovery).
class CPdfXRef final : public IndirectObjectHolder {
public:
    CPdfXRef();
    CPdfXRef(const CPdfXRef&) = delete;
    CPdfXRef& operator=(const CPdfXRef&) = delete;
    virtual ~CPdfXRef();

    // Reads every section of `stream` (the whole file, not owned), then the
    // trailer's Root, Info and Encrypt.
    void load(CPdfStream* stream);
    // Loads as load() does, but reads tables leniently, and rebuilds the cross-reference
    // by scanning the file when it cannot be read, when an entry does not point at
    // its object, or when its Root does not lead to a page tree. An encrypted file
    // is opened as load() opens it; a file with nothing to recover is "PDF file was damaged".
    void loadOrRebuild(CPdfFileStream* stream);
    // Rebuilds the cross-reference by one scan of the whole file (see XRefRebuilder).
    // Only after loadOrRebuild.
    void rebuild();

    // How damage is read: Recovering after loadOrRebuild (objects whose containers
    // are left open are then read as closed at their end, a stream's data ends where
    // the recovery's finder says), Strict otherwise.
    ReadMode readMode() const { return mode; }
    // Whether the file can hold `count` objects.
    bool canList(int64_t count) const { return entries.canList(count); }

    // Parses the object; with a sieve, only what it keeps is built.
    void fetchObject(int32_t number, int32_t generation, CPdfElement& out, ValueSieve* sieve = nullptr) override;
    // Off, the parser reads every sieved fetch of an object stored in the file, never
    // its first bytes alone (see fetchSievedFromFile): for the differential fuzz
    // target, which holds the two to one answer.
    void fetchSievedFromFirstBytes(bool on) { sievedFromFirstBytes = on; }
    const XRefEntryTable& getEntries() const { return entries; }
    // The text of a Compressed object inside its decoded object stream, or null.
    const uint8_t* getRawObject(int32_t number, int32_t generation, int32_t& length);

    // True once every section and the trailer's Root have been read (an encrypted
    // file's are, before it is refused).
    bool sectionsRead() const { return sectionsComplete; }
    // The section that "startxref" names, where an incremental update continues the chain.
    const NewestSection& newestSection() const { return newest; }
    // Whether `number` is that of a cross-reference stream that the sections were
    // read from: the file's own bookkeeping, which no output needs.
    bool isCrossReferenceStream(int32_t number) const { return crossReferenceStreams.count(number) != 0; }
    const CPdfElement& trailerDictionary() const { return trailer; }
    int32_t rootNum() const { return root.number; }
    int32_t rootGen() const { return root.generation; }
    int32_t infoNum() const { return info.number; }
    int32_t infoGen() const { return info.generation; }
    // Where the text of the trailer dictionary stands in the file, so that its entries
    // can be copied as they are written; none for a trailer that a rebuild made.
    const std::optional<TrailerPlace>& trailerPlace() const { return trailerText; }

    CPdfStream* fileStream() const { return file; }
    uint64_t fileLength() const { return fileSize; }
    // The block cache of the file's streams, for reads of raw text; null when the
    // document is not read from a file.
    FileBlockCache* blockCache() const { return blocks; }
    uint64_t baseOffset() const { return base; }

    // Where the objects stored directly in the file lie.
    ObjectExtents& extents() { return objectExtents; }
    ObjectStreams& objectStreams() { return streams; }
    FileEncryption& encryption() { return fileEncryption; }
    const FileEncryption& encryption() const { return fileEncryption; }
    const RecoveryState& recovery() const { return recovered; }

private:
    void prepare(CPdfStream* stream);
    bool loadsSoundly();
    void readTrailerReferences();
    void unlockEncryption(const CPdfDictionary& trailerDictionary, TrailerPlace place);
    TrailerPlace newestTrailerPlace() const;
    void fetchUncompressed(int32_t number, int32_t generation, const XRefEntry& entry, CPdfElement& out,
                           ValueSieve* sieve);

    CPdfStream* file = nullptr;
    FileBlockCache* blocks = nullptr;  // `file`'s, asked for every raw read
    uint64_t base = 0;
    uint64_t fileSize = 0;
    FILE* handle = nullptr;  // the file under `file`, for the scan's block reads
    XRefEntryTable entries;
    NewestSection newest;
    std::set<int32_t> crossReferenceStreams;
    bool sectionsComplete = false;
    CPdfElement trailer;
    std::optional<TrailerPlace> trailerText;
    ObjectId root;
    ObjectId info;
    int fetchDepth = 0;
    ReadMode mode = ReadMode::Strict;
    bool sievedFromFirstBytes = true;

    ObjectExtents objectExtents{*this};
    ObjectStreams streams{*this};
    FileEncryption fileEncryption;
    RecoveryState recovered;
};
