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
#include "xref/ObjectExtents.h"
#include "xref/XRefEntry.h"
#include "xref/XRefEntryTable.h"
#include "xref/RecentObjectStreams.h"
#include "xref/XRefSectionReader.h"

class CPdfFileStream;
class CPdfStream;
class FileBlockCache;
class CPdfObjectStream;
class CPdfRawObjectStream;
class DecodedObjectStream;
class ValueSieve;
class StreamEndFinder;
class StreamEndSearch;
class CPdfDictionary;
class StandardSecurity;

// The loaded cross-reference of one open PDF file: the entries of every section
// along the Prev chain, the newest trailer with its Root and Info, object lookup,
// and the one object stream kept decoded in each of its two forms.
class CPdfXRef final : public IndirectObjectHolder {
public:
    CPdfXRef();
    CPdfXRef(const CPdfXRef&) = delete;
    CPdfXRef& operator=(const CPdfXRef&) = delete;
    virtual ~CPdfXRef();

    // The password that opens an encrypted file; without one (the default) an
    // encrypted file is refused. Given before the load.
    void usePassword(std::optional<std::string> password);
    bool hasPassword() const { return password.has_value(); }

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

    // With "-repair" (after loadOrRebuild): where a stream whose Length does not
    // lead to "endstream" ends, for the parsers of the file. Null otherwise.
    const StreamEndFinder* streamEndFinder() const;
    // Whether the file can hold `count` objects.
    bool canList(int64_t count) const { return entries.canList(count); }

    // How the cross-reference was read: rebuilt by a scan, or from tables with junk passed over.
    bool wasRebuilt() const { return rebuilt; }
    bool readTablesLeniently() const { return lenientTables; }
    // How damage is read: Recovering after loadOrRebuild (objects whose containers
    // are left open are then read as closed at their end, a stream's data ends where
    // streamEndFinder says), Strict otherwise.
    ReadMode readMode() const { return mode; }
    // Whether a fetch of object `number` took a container left open as closed: the
    // object must then be written closed, or readers of the output read it otherwise.
    bool readWithContainersClosed(int32_t number) const { return containersClosedIn.count(number) != 0; }
    const std::set<int32_t>& objectsReadWithContainersClosed() const { return containersClosedIn; }
    // For a rebuilt cross-reference: where the first object header of the file is
    // (relative to the "%PDF-" header), found or not still in use.
    uint32_t firstObjectOffset() const { return firstObject; }

    // Parses the object; with a sieve, only what it keeps is built.
    void fetchObject(int32_t number, int32_t generation, CPdfElement& out, ValueSieve* sieve = nullptr) override;
    const XRefEntryTable& getEntries() const { return entries; }
    // The text of a Compressed object inside its decoded object stream, or null.
    const uint8_t* getRawObject(int32_t number, int32_t generation, int32_t& length);

    // Counts bytes decoded from object streams. Only the few decoded last stay
    // decoded, so objects that alternate between many streams decode them again and
    // again; past a budget that grows with the file's size this is taken as damage.
    void chargeObjectStreamWork(uint64_t decodedBytes);
    bool objectStreamWorkLeft() const { return objectStreamWork <= objectStreamBudget; }
    uint64_t objectStreamBytesDecoded() const { return objectStreamWork; }

    // True once every section and the trailer's Root have been read (an encrypted
    // file's are, before it is refused).
    bool sectionsRead() const { return sectionsComplete; }
    // The section that "startxref" names, where an incremental update continues the chain.
    const NewestSection& newestSection() const { return newest; }
    // Whether `number` is that of a cross-reference stream that the sections were
    // read from: the file's own bookkeeping, which no output needs.
    bool isCrossReferenceStream(int32_t number) const { return crossReferenceStreams.count(number) != 0; }

    CPdfStream* fileStream() const { return file; }
    uint64_t fileLength() const { return fileSize; }
    // Where the objects stored directly in the file lie.
    ObjectExtents& extents() { return objectExtents; }
    // The block cache of the file's streams, for reads of raw text; null when the
    // document is not read from a file.
    FileBlockCache* blockCache() const;
    uint32_t baseOffset() const { return base; }
    const CPdfElement& trailerDictionary() const { return trailer; }
    int32_t rootNum() const { return root.number; }
    int32_t rootGen() const { return root.generation; }
    int32_t infoNum() const { return info.number; }
    int32_t infoGen() const { return info.generation; }

    // Where a trailer dictionary's text begins: a section's start (a classic table,
    // whose "trailer" keyword follows, or a cross-reference stream's header), or the
    // "<<" of a dictionary that a scan found. Absolute file positions.
    struct TrailerPlace {
        uint32_t start = 0;
        bool isTable = false;
    };
    // Opens the encryption that `trailerDictionary`'s Encrypt refers to or holds
    // directly, with the password given: throws when there is none, when it opens
    // nothing, and when the encryption cannot be read. Once opened, stream data is
    // decrypted as it is read. `place` is where the trailer's text stands.
    void unlockEncryption(const CPdfDictionary& trailerDictionary, TrailerPlace place);
    // The security handler of an encrypted file once opened; null for a file that is not.
    const StandardSecurity* security() const { return securityHandler.get(); }
    // The encryption dictionary's object; number 0 for one held directly in the trailer.
    int32_t encryptNum() const { return encryption.number; }
    int32_t encryptGen() const { return encryption.generation; }
    // Whether the encryption dictionary stands in the trailer itself, and where that trailer's text is.
    bool encryptionIsDirect() const { return securityHandler && encryption.number == 0; }
    const TrailerPlace& encryptionTrailer() const { return encryptionPlace; }
    // Where the text of the trailer dictionary stands in the file, so that its entries
    // can be copied as they are written; none for a trailer that a rebuild made.
    const std::optional<TrailerPlace>& trailerPlace() const { return trailerText; }

private:
    void prepare(CPdfStream* stream);
    bool loadsSoundly();
    void readTrailerReferences();
    TrailerPlace newestTrailerPlace() const;
    void fetchUncompressed(int32_t number, int32_t generation, const XRefEntry& entry, CPdfElement& out,
                           ValueSieve* sieve);
    void fetchCompressed(int32_t number, const XRefEntry& entry, CPdfElement& out, ValueSieve* sieve);
    std::shared_ptr<const DecodedObjectStream> decodedObjectStream(int32_t streamNumber);

    CPdfStream* file = nullptr;
    uint32_t base = 0;
    XRefEntryTable entries;
    NewestSection newest;
    std::set<int32_t> crossReferenceStreams;
    bool sectionsComplete = false;
    CPdfElement trailer;
    std::optional<TrailerPlace> trailerText;
    ObjectId root;
    ObjectId info;
    ObjectId encryption;  // the encryption dictionary, number 0 when the file is not encrypted or it is direct
    TrailerPlace encryptionPlace;
    std::optional<std::string> password;
    std::unique_ptr<StandardSecurity> securityHandler;
    std::unique_ptr<CPdfObjectStream> objectStreamCache;
    std::unique_ptr<CPdfRawObjectStream> rawObjectStreamCache;
    RecentObjectStreams recentObjectStreams{limits::keptObjectStreams, limits::keptObjectStreamBytes};
    uint64_t objectStreamWork = 0;
    uint64_t objectStreamBudget = 0;
    int fetchDepth = 0;

    FILE* handle = nullptr;  // the file under `file`, for the scan's block reads
    uint64_t fileSize = 0;
    bool rebuilt = false;
    ReadMode mode = ReadMode::Strict;
    ObjectExtents objectExtents{*this};
    std::set<int32_t> containersClosedIn;  // objects whose fetch closed a container left open
    bool lenientTables = false;
    uint32_t firstObject = 0;
    std::unique_ptr<StreamEndSearch> streamEnds;
};
