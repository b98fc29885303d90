#pragma once

#include <cstdint>
#include <set>

#include "model/PdfElement.h"
#include "xref/XRefEntryTable.h"

class CPdfDictionary;
class CPdfParser;
class CPdfStream;

// Where the newest cross-reference section lies (the offset that "startxref"
// gives, counted from the header) and whether it is a classic table or a stream.
struct NewestSection {
    uint64_t offset = 0;
    bool isStream = false;
};

// Reads the cross-reference sections of a file, newest first along the Prev chain:
// classic tables with their trailers, cross-reference streams, and the XRefStm
// stream of a hybrid-reference file. Entries go to the table, which decides between
// sections; the newest trailer (or stream dictionary) goes to `trailer`.
class XRefSectionReader {
public:
    // `file` is the stream over the whole file; offsets count from `base`. A lenient
    // reader passes over junk after a table entry (words that are no entry and no
    // "trailer"), as other readers do; otherwise such junk fails the table.
    XRefSectionReader(CPdfStream& file, uint64_t base, XRefEntryTable& entries, CPdfElement& trailer,
                      bool lenient = false);

    // Every section from "startxref" on. Throws CPdfException with the reader's
    // messages; a chain that comes back to a section already read ends there.
    void readChain();

    // The offset after the last "startxref" near the end of the file; 0 without one.
    uint64_t findStartXRef();

    // Whether the lenient reader passed over junk in a table.
    bool skippedJunk() const { return junkSkipped; }
    // Known once readChain has read the first section.
    const NewestSection& newestSection() const { return newest; }
    // The object numbers of the cross-reference streams read, as their headers give them.
    const std::set<int32_t>& crossReferenceStreams() const { return streamNumbers; }

private:
    bool readSection(uint64_t& offset);
    bool readTable(CPdfParser& parser, uint64_t& offset);
    bool readCrossRefStream(CPdfStream* stream, uint64_t& offset, uint64_t sectionStart);
    void readIndexedSubsections(uint64_t sectionStart, CPdfStream* stream, const int32_t widths[3]);
    void readStreamSubsection(CPdfStream* stream, const int32_t widths[3], int32_t first, int32_t count);
    void readHybridStream(const CPdfDictionary& trailerOfTable);
    void keepNewestTrailer(const CPdfElement& dictionary);
    // One row of a cross-reference stream, the entry of object `number`.
    void addStreamRow(int64_t number, const uint8_t* row, const int32_t widths[3]);
    void grow(int64_t size, const char* failure);
    void skipJunkAfterEntry(CPdfParser& parser);
    void addTableEntry(int64_t number, const XRefEntry& entry, XRefEntryTable::DeferredFree& freeEntries);
    int64_t readLaidOutRows(CPdfParser& parser, int64_t number, int64_t end, XRefEntryTable::DeferredFree& freeEntries);

    CPdfStream& file;
    uint64_t base;
    XRefEntryTable& entries;
    CPdfElement& trailer;
    std::set<uint64_t> sectionsRead;
    std::set<int32_t> streamNumbers;
    bool lenient;
    bool junkSkipped = false;
    NewestSection newest;
    bool readingNewest = false;
};
