#include "xref/XRefSectionReader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "parse/ValueSieve.h"
#include "stream/PdfStream.h"
#include "xref/TableRows.h"
#include "xref/XRefEntryTable.h"

namespace {

// A section's offset as a dictionary or "startxref" gives it: a negative one is
// taken as the 32-bit offset it was always read as, which lies past any file of
// less than 4 GiB.
uint64_t sectionOffset(int64_t value) {
    if (value < 0) return static_cast<uint32_t>(CPdfElement::heldAt32Bits(value));
    return static_cast<uint64_t>(value);
}

// The Prev of a trailer or stream dictionary; a reference's number is taken as an offset.
bool readPrev(const CPdfDictionary& dictionary, uint64_t& offset) {
    CPdfElement prev;
    dictionary.findRaw("Prev", prev);
    if (prev.is(ElementType::Integer)) {
        offset = sectionOffset(prev.wideInteger());
        return true;
    }
    if (prev.is(ElementType::Reference)) {
        offset = sectionOffset(prev.refNum());
        return true;
    }
    return false;
}

// Element i of `array` as an integer, or throws `failure`.
int32_t integerAt(const CPdfArray& array, int32_t i, const char* failure) {
    CPdfElement value;
    array.at(i, value);
    if (!value.is(ElementType::Integer)) throw CPdfException(FailureKind::Damaged, failure);
    return value.integer();
}

// A field width. Values keep only their last four bytes, so widths far beyond that
// can only make the reader churn through data.
int32_t widthAt(const CPdfArray& widths, int32_t i) {
    const int32_t width = integerAt(widths, i, message::xrefStreamWidthWrongType);
    if (width > 16) throw CPdfException(FailureKind::Damaged, message::xrefStreamWidthWrongType);
    return width;
}

// Builds a cross-reference stream's dictionary without the elements of its Index:
// a million subsections would take a million elements in memory at once. The
// Index is read again, a pair at a time, when the rows are read.
class WithoutIndexElements : public ValueSieve {
public:
    bool keeps(std::string_view) const override { return true; }
    bool keepsElement(std::string_view key, uint32_t, CPdfElement&) override { return key != "Index"; }
};

// Reads the first Index array of a cross-reference stream's dictionary as the
// parser meets its elements, and hands on each pair of integers. Nothing else of
// the dictionary is built.
class IndexPairs : public ValueSieve {
public:
    explicit IndexPairs(std::function<void(int32_t, int32_t)> pairRead) : pairRead(std::move(pairRead)) {}
    bool keeps(std::string_view key) const override { return key == "Index"; }
    bool keepsElement(std::string_view key, uint32_t index, CPdfElement& element) override {
        if (key != "Index") return false;
        if (index == 0) ++arraysMet;
        if (arraysMet != 1) return false;  // of two Index entries the first counts
        if (index % 2 == 0) {
            pending.clear();
            pending.takeFrom(element);
            return false;
        }
        if (!pending.is(ElementType::Integer) || !element.is(ElementType::Integer))
            throw CPdfException(FailureKind::Damaged, message::xrefStreamIndexWrongType);
        pairRead(pending.integer(), element.integer());
        return false;
    }

private:
    std::function<void(int32_t, int32_t)> pairRead;
    CPdfElement pending;  // an element with an even place, until its pair is complete
    int arraysMet = 0;
};

// A big-endian field of `width` bytes at `bytes`, kept to its last 64 bits.
uint64_t wideFieldAt(const uint8_t* bytes, int32_t width) {
    uint64_t value = 0;
    for (int32_t i = 0; i < width; ++i) value = value << 8 | bytes[i];
    return value;
}

// The same kept to its last 32 bits: a type, an object stream's number, an index, a generation.
int32_t fieldAt(const uint8_t* bytes, int32_t width) {
    return static_cast<int32_t>(static_cast<uint32_t>(wideFieldAt(bytes, width)));
}

}  // namespace

XRefSectionReader::XRefSectionReader(CPdfStream& file, uint64_t base, XRefEntryTable& entries, CPdfElement& trailer,
                                     bool lenient)
    : file(file), base(base), entries(entries), trailer(trailer), lenient(lenient) {}

void XRefSectionReader::readChain() {
    uint64_t offset = findStartXRef();
    if (offset == 0) throw CPdfException(FailureKind::Damaged, message::damaged);
    newest.offset = offset;
    readingNewest = true;
    while (sectionsRead.insert(offset).second) {
        if (!readSection(offset)) break;
    }
    entries.finish();
    if (!trailer.is(ElementType::Dictionary)) throw CPdfException(FailureKind::Damaged, message::damaged);
}

uint64_t XRefSectionReader::findStartXRef() {
    constexpr int tailSize = limits::startXRefProbeBytes;
    file.seek(-tailSize, 2);
    char tail[tailSize + 1];
    int length = 0;
    while (length < tailSize) {
        const int c = file.readByte();
        if (c < 0) break;
        tail[length++] = c == 0 ? ' ' : static_cast<char>(c);
    }
    tail[length] = '\0';
    static const char keyword[] = "startxref";
    constexpr int keywordLength = sizeof keyword - 1;
    for (int position = length - keywordLength; position >= 0; --position) {
        if (std::memcmp(tail + position, keyword, keywordLength) != 0) continue;
        const char* number = tail + position + keywordLength;
        while (*number == ' ' || (*number >= '\t' && *number <= '\r')) ++number;
        if (*number != '+' && *number != '-' && (*number < '0' || *number > '9')) return 0;
        errno = 0;
        return sectionOffset(std::strtoll(number, nullptr, 10));
    }
    return 0;
}

bool XRefSectionReader::readSection(uint64_t& offset) {
    CPdfParser parser(nullptr, file.openWindow(base + offset, 0, CPdfElement::null()));
    CPdfElement object;
    parser.parseObject(object);
    const bool isNewest = std::exchange(readingNewest, false);
    if (object.isKeyword("xref")) return readTable(parser, offset);
    if (!object.is(ElementType::Integer)) throw CPdfException(FailureKind::Damaged, message::xrefUnparsed);
    if (isNewest) newest.isStream = true;
    const int32_t number = object.integer();
    WithoutIndexElements withoutIndex;
    for (int part = 0; part < 3; ++part) {
        object.clear();
        if (part == 2) parser.parseObject(object, withoutIndex);
        else parser.parseObject(object);
        const bool matches = part == 0   ? object.is(ElementType::Integer)
                             : part == 1 ? object.isKeyword("obj")
                                         : object.is(ElementType::Stream);
        if (!matches) throw CPdfException(FailureKind::Damaged, message::xrefStreamUnparsed);
    }
    streamNumbers.insert(number);
    return readCrossRefStream(object.stream(), offset, offset);
}

// The object's Index read again from the text, each pair's rows read as it comes.
void XRefSectionReader::readIndexedSubsections(uint64_t sectionStart, CPdfStream* stream, const int32_t widths[3]) {
    CPdfParser parser(nullptr, file.openWindow(base + sectionStart, 0, CPdfElement::null()));
    parser.keepStreamsRaw();
    IndexPairs pairs([&](int32_t first, int32_t count) { readStreamSubsection(stream, widths, first, count); });
    CPdfElement header;
    for (int part = 0; part < 3; ++part) {
        header.clear();
        parser.parseObject(header);
    }
    CPdfElement object;
    parser.parseObject(object, pairs);
}

void XRefSectionReader::addStreamRow(int64_t number, const uint8_t* row, const int32_t widths[3]) {
    const int32_t typeWidth = std::max(widths[0], 0), field2Width = std::max(widths[1], 0);
    const int32_t type = widths[0] == 0 ? 1 : fieldAt(row, widths[0]);
    // Only an offset in the file may need more than 32 bits.
    const int64_t field2 =
        type == 1 ? static_cast<int64_t>(wideFieldAt(row + typeWidth, widths[1])) : fieldAt(row + typeWidth, widths[1]);
    const int32_t field3 = fieldAt(row + typeWidth + field2Width, widths[2]);
    if (type < 0 || type > 2) throw CPdfException(FailureKind::Damaged, message::xrefStreamEntryWrongType);
    grow(number + 1, message::xrefStreamIndexWrongType);
    entries.setIfUnset(number, XRefEntry{field2, field3, static_cast<XRefEntryType>(type)});
}

void XRefSectionReader::grow(int64_t size, const char* failure) {
    if (!entries.grow(size)) throw CPdfException(FailureKind::Damaged, failure);
}

void XRefSectionReader::keepNewestTrailer(const CPdfElement& dictionary) {
    if (trailer.is(ElementType::None)) trailer.copyFrom(dictionary);
}

bool XRefSectionReader::readTable(CPdfParser& parser, uint64_t& offset) {
    XRefEntryTable::DeferredFree freeEntries;
    for (;;) {
        CPdfElement object;
        parser.parseObject(object);
        if (object.is(ElementType::Keyword)) {
            if (!object.isKeyword("trailer")) throw CPdfException(FailureKind::Damaged, message::xrefTableUnparsed);
            CPdfElement dictionary;
            parser.parseObject(dictionary);
            if (!dictionary.is(ElementType::Dictionary))
                throw CPdfException(FailureKind::Damaged, message::trailerWrongType);
            keepNewestTrailer(dictionary);
            readHybridStream(*dictionary.dictionary());
            entries.applyFree(freeEntries);
            return readPrev(*dictionary.dictionary(), offset);
        }
        if (!object.is(ElementType::Integer)) throw CPdfException(FailureKind::Damaged, message::xrefTableUnparsed);
        const int32_t firstNumber = object.integer();
        object.clear();
        parser.parseObject(object);
        if (!object.is(ElementType::Integer)) throw CPdfException(FailureKind::Damaged, message::xrefTableUnparsed);
        const int64_t count = object.integer();
        const int64_t end = int64_t{firstNumber} + count;
        if (firstNumber < 0 || end > limits::maximumEntries)
            throw CPdfException(FailureKind::Damaged, message::xrefTableUnparsed);
        for (int64_t number = firstNumber; number < end; ++number) {
            if (const int64_t rows = readLaidOutRows(parser, number, end, freeEntries)) {
                number += rows - 1;
                continue;
            }
            CPdfElement entryOffset, entryGeneration, entryKind;
            parser.parseObject(entryOffset);
            parser.parseObject(entryGeneration);
            parser.parseObject(entryKind);
            const bool inUse = entryKind.isKeyword("n");
            if (!entryOffset.is(ElementType::Integer) || !entryGeneration.is(ElementType::Integer) ||
                !(inUse || entryKind.isKeyword("f")))
                throw CPdfException(FailureKind::Damaged, message::xrefTableUnparsed);
            addTableEntry(number,
                          {entryOffset.wideInteger(), entryGeneration.integer(),
                           inUse ? XRefEntryType::Uncompressed : XRefEntryType::Free},
                          freeEntries);
            if (lenient) skipJunkAfterEntry(parser);
        }
        grow(end, message::xrefTableUnparsed);
    }
}

void XRefSectionReader::addTableEntry(int64_t number, const XRefEntry& entry,
                                      XRefEntryTable::DeferredFree& freeEntries) {
    grow(number + 1, message::xrefTableUnparsed);
    if (entry.type == XRefEntryType::Uncompressed) entries.setIfUnset(number, entry);
    else freeEntries.emplace_back(number, entry);
}

// Most tables are laid out exactly as the PDF format says: such rows, from row
// `number` on, are read from the bytes instead of token by token, and the parse
// goes on after them. The parser has read the row's offset and generation as its
// look-ahead. Gives the rows read; 0 when the row at hand is not laid out so.
int64_t XRefSectionReader::readLaidOutRows(CPdfParser& parser, int64_t number, int64_t end,
                                           XRefEntryTable::DeferredFree& freeEntries) {
    using namespace tablerows;
    const CPdfElement& offset = parser.currentToken();
    const CPdfElement& generation = parser.nextToken();
    if (!offset.is(ElementType::Integer) || !generation.is(ElementType::Integer)) return 0;
    CPdfStream& stream = parser.streamAtLookAheadEnd();
    uint64_t position = stream.tell();
    constexpr size_t rowsPerRead = 256;
    uint8_t bytes[rowsPerRead * rowBytes];
    bool inUse = false;
    const size_t tail = readTail(bytes, stream.readBlock(bytes, rowBytes), inUse);
    if (tail == 0) {
        stream.seek(static_cast<int64_t>(position), 0);
        return 0;
    }
    addTableEntry(
        number, {offset.wideInteger(), generation.integer(), inUse ? XRefEntryType::Uncompressed : XRefEntryType::Free},
        freeEntries);
    position += tail;
    // Room for the rows to come at once, as many as the rest of the file can hold.
    const uint64_t rowsLeft = entries.fileSize() > position ? (entries.fileSize() - position) / rowBytes : 0;
    entries.expect(number + 1, std::min(static_cast<uint64_t>(std::max<int64_t>(end - number - 1, 0)), rowsLeft));
    int64_t rows = 1;
    while (number + rows < end) {
        stream.seek(static_cast<int64_t>(position), 0);
        const size_t wanted = static_cast<size_t>(std::min<int64_t>(rowsPerRead, end - number - rows)) * rowBytes;
        const size_t got = stream.readBlock(bytes, wanted);
        size_t at = 0;
        XRefEntry entry;
        while (number + rows < end) {
            const size_t row = readRow(bytes + at, got - at, entry);
            if (row == 0) break;
            addTableEntry(number + rows++, entry, freeEntries);
            at += row;
        }
        position += at;
        if (at == 0 || got < wanted) break;
    }
    parser.restartAt(position);
    if (lenient) skipJunkAfterEntry(parser);
    return rows;
}

// After an entry come the next entry, a subsection's header or "trailer": all of
// them start with an integer but "trailer". Anything else is junk on the entry's line.
void XRefSectionReader::skipJunkAfterEntry(CPdfParser& parser) {
    for (;;) {
        const CPdfElement& next = parser.currentToken();
        if (next.is(ElementType::Integer) || next.is(ElementType::EndOfFile) || next.isKeyword("trailer")) return;
        CPdfElement junk;
        parser.parseObject(junk);
        junkSkipped = true;
    }
}

// A hybrid-reference file's table names, with XRefStm, a cross-reference stream that
// belongs to the same section; its entries fill only what the table left unset
// (ISO 32000, 7.5.8.4). The trailer stays the table's.
void XRefSectionReader::readHybridStream(const CPdfDictionary& trailerOfTable) {
    CPdfElement streamOffset;
    trailerOfTable.findRaw("XRefStm", streamOffset);
    if (!streamOffset.is(ElementType::Integer)) return;
    uint64_t offset = sectionOffset(streamOffset.wideInteger());
    if (!sectionsRead.insert(offset).second) return;
    uint64_t ignoredPrev = offset;
    readSection(ignoredPrev);
}

bool XRefSectionReader::readCrossRefStream(CPdfStream* stream, uint64_t& offset, uint64_t sectionStart) {
    CPdfDictionary* dictionary = stream->streamDictionary();
    if (!dictionary) throw CPdfException(FailureKind::Damaged, message::xrefStreamUnparsed);
    CPdfElement value;
    dictionary->findRaw("Size", value);
    if (!value.is(ElementType::Integer) || value.integer() < 0 || value.integer() > limits::maximumEntries)
        throw CPdfException(FailureKind::Damaged, message::xrefStreamSizeWrongType);
    entries.declareSize(value.integer());
    const int32_t size = value.integer();

    value.clear();
    dictionary->findRaw("W", value);
    if (!value.is(ElementType::Array)) throw CPdfException(FailureKind::Damaged, message::xrefStreamWidthWrongType);
    const CPdfArray& widthArray = *value.array();
    if (widthArray.size() < 3) throw CPdfException(FailureKind::Damaged, message::xrefStreamWidthWrongLength);
    const int32_t widths[3] = {widthAt(widthArray, 0), widthAt(widthArray, 1), widthAt(widthArray, 2)};

    stream->rewind();
    CPdfElement index;
    dictionary->findRaw("Index", index);
    if (index.is(ElementType::Array)) {
        readIndexedSubsections(sectionStart, stream, widths);
    } else {
        readStreamSubsection(stream, widths, 0, size);
    }

    if (trailer.is(ElementType::None)) trailer.shareDictionary(dictionary);
    return readPrev(*dictionary, offset);
}

void XRefSectionReader::readStreamSubsection(CPdfStream* stream, const int32_t widths[3], int32_t first,
                                             int32_t count) {
    const int64_t end = int64_t{first} + count;
    if (first < 0 || end > limits::maximumEntries)
        throw CPdfException(FailureKind::Damaged, message::xrefStreamIndexWrongType);
    // Rows of no bytes carry nothing: such a subsection lists no entries, however
    // often an Index repeats it.
    if (widths[0] <= 0 && widths[1] <= 0 && widths[2] <= 0) return;
    const size_t rowLength =
        static_cast<size_t>(std::max(widths[0], 0) + std::max(widths[1], 0) + std::max(widths[2], 0));
    entries.expect(first, std::min<uint64_t>(static_cast<uint64_t>(std::max(count, 0)),
                                             entries.fileSize() / limits::fileBytesPerExpectedStreamEntry));
    // Rows are read many at a time, never past the subsection's last: the next
    // subsection's rows follow in the same stream.
    uint8_t rows[limits::crossReferenceRowsReadAtOnce * 48];  // three fields of at most 16 bytes
    for (int64_t number = first; number < end;) {
        const size_t wanted =
            static_cast<size_t>(std::min<int64_t>(limits::crossReferenceRowsReadAtOnce, end - number));
        const size_t whole = stream->readBlock(rows, wanted * rowLength) / rowLength;
        for (size_t r = 0; r < whole; ++r, ++number) addStreamRow(number, rows + r * rowLength, widths);
        // A row is read whole: a stream that ends within it ends the section there.
        if (whole < wanted) throw CPdfException(FailureKind::Damaged, message::xrefStreamEndedEarly);
    }
    grow(end, message::xrefStreamIndexWrongType);
}
