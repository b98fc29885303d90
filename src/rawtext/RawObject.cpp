#include "rawtext/RawObject.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "crypt/ObjectStrings.h"
#include "crypt/StandardSecurity.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "parse/CharacterClass.h"
#include "parse/DictionarySkim.h"
#include "platform/Platform.h"
#include "rawtext/DictionaryText.h"
#include "rawtext/ObjectExtent.h"
#include "rawtext/ObjectEnd.h"
#include "rawtext/OpenContainers.h"
#include "rawtext/TextSearch.h"
#include "stream/FileBlockCache.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

// Only a "(", a "%" or a "<" that opens no dictionary can start what a text leaves
// open: most texts hold none of them, and are passed over at a glance rather than
// by the scanner, which reads every byte by the lexer's states.
bool mayEndOpen(const uint8_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const uint8_t c = text[i];
        if (c == '(' || c == '%') return true;
        if (c != '<') continue;
        if (i + 1 == length || text[i + 1] != '<') return true;
        ++i;
    }
    return false;
}

// An object of an object stream ends where the next one begins, and the copy adds
// the "endobj" after it: what its text leaves open would run on past that word.
// A comment ends with a line end. A string left open is damage, or, for a document
// that recovers damaged files, closed at the text's end as the lexer ended it
// (with the containers around it, as the parser took them closed).
std::string closersOfCompressed(const CPdfXRef& xref, const uint8_t* text, int32_t length, RawObject& out) {
    if (!mayEndOpen(text, static_cast<size_t>(length))) return std::string();
    ObjectEndScanner scanner;
    if (scanner.feed(text, static_cast<size_t>(length)) != 0) return std::string();
    switch (scanner.openAtEnd()) {
    case ObjectEndScanner::OpenAtEnd::Comment:
        return "\n";
    case ObjectEndScanner::OpenAtEnd::String:
        if (!xref.recoversDamage()) throw CPdfException(FailureKind::Damaged, message::damaged);
        out.stringsClosed = true;
        return scanner.stringClosers();
    default:
        return std::string();
    }
}

// An object of an encrypted file that comes out of its object stream gets its
// strings encrypted, as an ordinary object's are: every text handed out is one
// that may stand in the file as it is.
bool readCompressed(int32_t number, CPdfXRef* xref, RawObject& out) {
    int32_t textLength = 0;
    const uint8_t* text = xref->getRawObject(number, 0, textLength);
    if (!text || textLength <= 0) return false;
    // What the text leaves open is read from it as the object stream holds it, before its strings are encrypted.
    std::string closed;
    if (const std::string closers = closersOfCompressed(*xref, text, textLength, out); !closers.empty()) {
        closed.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(textLength));
        closed += closers;
        text = reinterpret_cast<const uint8_t*>(closed.data());
        textLength = static_cast<int32_t>(closed.size());
    }
    std::string encrypted;
    const StandardSecurity* security = xref->security();
    if (security && security->encryptsStrings() && number != xref->encryptNum()) {
        encrypted = encryptObjectStrings({reinterpret_cast<const char*>(text), static_cast<size_t>(textLength)},
                                         *security, {number, 0});
        text = reinterpret_cast<const uint8_t*>(encrypted.data());
        textLength = static_cast<int32_t>(encrypted.size());
    }
    const std::string head = std::to_string(number) + " 0 obj\r";
    static const char tail[] = " endobj\r";
    out.bytes.clear();
    out.bytes.reserve(head.size() + static_cast<size_t>(textLength) + sizeof tail - 1);
    out.bytes.insert(out.bytes.end(), head.begin(), head.end());
    out.bytes.insert(out.bytes.end(), text, text + textLength);
    out.bytes.insert(out.bytes.end(), tail, tail + sizeof tail - 1);
    if (out.stringsClosed) out.containersClosed = closeOpenContainers(out.bytes);
    out.generation = 0;
    out.isObjectStream = false;
    out.endWritten = false;
    out.inFile = false;
    out.endKnown = true;
    return true;
}

// Reads from the input at `offset`, through the document's block cache when there
// is one: neighbouring objects then cost no read of the system.
size_t readInput(FILE* input, FileBlockCache* blocks, uint64_t offset, uint8_t* into, size_t count) {
    return blocks ? blocks->readFully(offset, into, count) : platform::readAt(input, offset, into, count);
}

// Reads an object's text from `start` on, never past `limit` nor past the size
// held in memory, in as few reads as the search for its "endobj" allows.
class ObjectTextReader {
public:
    ObjectTextReader(FILE* input, FileBlockCache* blocks, uint32_t start, uint32_t limit, std::vector<uint8_t>& bytes)
        : input(input),
          blocks(blocks),
          start(start),
          rangeLength(limit > start ? uint64_t{limit} - start : 0),
          available(std::min<uint64_t>(rangeLength, limits::inMemoryObjectBytes)),
          bytes(bytes) {
        bytes.clear();
    }

    // Makes bytes [0, count) present, as far as the file, the limit and memory allow.
    void readUpTo(uint64_t count) {
        count = std::min(count, available);
        if (bytes.size() >= count) return;
        // A text larger than the buffer gets a buffer of its own size, and the old
        // one goes first: growing it in place would hold both.
        if (bytes.empty() && count > bytes.capacity()) std::vector<uint8_t>().swap(bytes);
        while (bytes.size() < count) {
            const size_t have = bytes.size();
            bytes.resize(static_cast<size_t>(count));
            const size_t got =
                readInput(input, blocks, uint64_t{start} + have, bytes.data() + have, bytes.size() - have);
            bytes.resize(have + got);
            if (got == 0) {
                fileEnded = true;
                return;
            }
        }
    }

    // Feeds the scanner the text that memory holds from its next byte on, reading
    // more as it needs: the offset just past the "endobj" that ends the object, or
    // 0 when memory or the text's range ends first.
    uint64_t scanForEnd(ObjectEndScanner& scanner) {
        size_t chunk = limits::firstEndobjChunkBytes;
        for (;;) {
            if (scanner.fed() < bytes.size()) {
                const size_t from = static_cast<size_t>(scanner.fed());
                if (const uint64_t end = scanner.feed(bytes.data() + from, bytes.size() - from)) return end;
            }
            if (fileEnded || bytes.size() >= available) return rangeExhausted() ? scanner.finish() : 0;
            readUpTo(bytes.size() + chunk);
            chunk = std::min<size_t>(chunk * 2, limits::largestEndobjChunkBytes);
        }
    }

    // The index just past the first "endobj" that starts at or after `from`, within
    // what memory holds, wherever it stands; 0 when none.
    size_t findFirstEndobjWord(size_t from) {
        size_t chunk = limits::firstEndobjChunkBytes;
        for (;;) {
            if (from < bytes.size()) {
                if (const uint8_t* found = searchBytes(bytes.data() + from, bytes.data() + bytes.size(), "endobj", 6))
                    return static_cast<size_t>(found - bytes.data()) + 6;
            }
            if (fileEnded || bytes.size() >= available) return 0;
            from = std::max(from, bytes.size() >= 5 ? bytes.size() - 5 : 0);
            readUpTo(bytes.size() + chunk);
            chunk = std::min<size_t>(chunk * 2, limits::largestEndobjChunkBytes);
        }
    }

    // True when the text's whole range has been read (the limit or the file's end).
    bool rangeExhausted() const { return fileEnded || bytes.size() >= rangeLength; }
    uint64_t memoryLimit() const { return available; }

private:
    FILE* input;
    FileBlockCache* blocks;
    uint32_t start;
    uint64_t rangeLength;  // bytes from the start to the limit
    uint64_t available;    // bytes that may be read into memory
    bool fileEnded = false;
    std::vector<uint8_t>& bytes;
};

// The byte after "endobj" is kept only when it is white space, so that two
// objects never run together in the output; none (-1) becomes a line feed too.
uint8_t closingByte(int c) { return pdfchar::isWhitespace(c) ? static_cast<uint8_t>(c) : '\n'; }

// Ends a text read into `bytes` (through "endobj" at least) with its closing byte.
void endTextAt(std::vector<uint8_t>& bytes, size_t endobjEnd) {
    if (bytes.size() <= endobjEnd) {
        bytes.push_back('\n');
        return;
    }
    bytes.resize(endobjEnd + 1);
    bytes[endobjEnd] = closingByte(bytes[endobjEnd]);
}

void endAfterEndobj(ObjectTextReader& reader, std::vector<uint8_t>& bytes, size_t endobjEnd) {
    reader.readUpTo(endobjEnd + 1);
    endTextAt(bytes, endobjEnd);
}

uint8_t closingByteAt(FileBlockCache& blocks, uint32_t position, uint32_t limit) {
    uint8_t byte = 0;
    if (position >= limit || blocks.readFully(position, &byte, 1) != 1) return '\n';
    return closingByte(byte);
}

// Where the first "endobj" at or after `from` (counted from `start`) ends, wherever
// it stands: first in memory, then, past what memory holds, by a search of the
// file in blocks. Only for objects that the lexer cannot end (an unclosed string,
// a word run into "endobj"), as damaged files hold them.
uint64_t locateFirstEndobjWord(ObjectTextReader& reader, FileBlockCache& blocks, uint32_t start, uint32_t limit,
                               uint64_t from) {
    if (from < reader.memoryLimit()) {
        if (const size_t found = reader.findFirstEndobjWord(static_cast<size_t>(from))) return found;
        if (reader.rangeExhausted()) return 0;
        from = std::max<uint64_t>(from, reader.memoryLimit() >= 5 ? reader.memoryLimit() - 5 : 0);
    }
    if (uint64_t{start} + from >= limit) return 0;
    const uint32_t last = findPatternInRange(blocks, static_cast<uint32_t>(start + from), limit, "endobj", 6);
    return last == 0 ? 0 : uint64_t{last} + 1 - start;
}

// Where the value of an object's text ends, for one without "endobj": after the
// "endstream" of a stream, after the ">>" of a dictionary, else where the text ends
// (white space and what a file puts after its objects left out).
size_t valueEnd(const std::vector<uint8_t>& bytes, const ObjectExtent& extent, uint32_t start) {
    const uint8_t* text = bytes.data();
    const size_t length = bytes.size();
    if (extent.isStream) {
        if (extent.dataEnd < start || extent.dataEnd - start > length) return length;
        const uint8_t* found = searchBytes(text + (extent.dataEnd - start), text + length, "endstream", 9);
        return found ? static_cast<size_t>(found - text) + 9 : length;
    }
    if (const uint32_t body = dictionaryAfterHeader(text, static_cast<uint32_t>(length))) {
        const DictionarySkim dictionary = skimDictionary(text, static_cast<uint32_t>(length), body);
        if (dictionary.closed) return dictionary.end;
    }
    size_t end = length;
    for (const char* tail : {"startxref", "trailer", "xref"}) {
        if (const uint8_t* found = searchBytes(text, text + end, tail, std::strlen(tail)))
            end = static_cast<size_t>(found - text);
    }
    while (end > 0 && pdfchar::isWhitespace(text[end - 1])) --end;
    return end;
}

// With "-repair": the text of an object whose "endstream" or "endobj" is missing,
// up to the end of its data or value, with the words added. It must fit in memory.
bool readRepairedText(FILE* input, FileBlockCache* blocks, uint32_t start, uint32_t limit, const ObjectExtent& extent,
                      RawObject& out) {
    // Without "endobj" the range runs to the next object, which may be far (past
    // a cross-reference table, say): the value must end within what memory holds.
    uint32_t end = extent.endstreamMissing ? extent.dataEnd : limit;
    const bool cut = !extent.endstreamMissing && end > start && end - start > limits::inMemoryObjectBytes;
    if (cut) end = start + limits::inMemoryObjectBytes;
    if (end <= start || end - start > limits::inMemoryObjectBytes) return false;
    out.bytes.resize(end - start);
    out.bytes.resize(readInput(input, blocks, start, out.bytes.data(), out.bytes.size()));
    if (!extent.endstreamMissing) {
        const size_t valueLength = valueEnd(out.bytes, extent, start);
        if (cut && valueLength == out.bytes.size()) return false;
        out.bytes.resize(valueLength);
    }
    static const char endstream[] = "\nendstream", endobj[] = "\nendobj\n";
    if (extent.endstreamMissing) out.bytes.insert(out.bytes.end(), endstream, endstream + sizeof endstream - 1);
    out.bytes.insert(out.bytes.end(), endobj, endobj + sizeof endobj - 1);
    out.inFile = false;
    out.endWritten = true;
    out.endKnown = true;
    out.generation = extent.generation;
    out.isObjectStream = extent.isObjectStream;
    return true;
}

// Goes on with the scan where the text lies in the file, past what memory holds.
uint64_t scanFileForEnd(FileBlockCache& blocks, uint32_t start, uint32_t limit, ObjectEndScanner& scanner) {
    std::vector<uint8_t> block(limits::searchBlockBytes);
    for (;;) {
        const uint64_t at = uint64_t{start} + scanner.fed();
        if (at >= limit) return scanner.finish();
        const size_t got =
            blocks.readFully(at, block.data(), static_cast<size_t>(std::min<uint64_t>(block.size(), limit - at)));
        if (got == 0) return scanner.finish();
        if (const uint64_t end = scanner.feed(block.data(), got)) return end;
    }
}

// Where the object's text ends as the lexer reads it from `from` on (counted from
// `start`), in memory as far as it holds the text and in the file beyond; 0 when
// no "endobj" ends it before `limit`.
uint64_t locateObjectEnd(ObjectTextReader& reader, FileBlockCache& blocks, uint32_t start, uint32_t limit,
                         uint64_t from) {
    ObjectEndScanner scanner(from);
    if (from < reader.memoryLimit()) {
        if (const uint64_t end = reader.scanForEnd(scanner)) return end;
        if (reader.rangeExhausted()) return 0;
    }
    return scanFileForEnd(blocks, start, limit, scanner);
}

// The object at the entry's offset must carry its own number, as for a lookup;
// anything else there is not this object's text. It ends where the lexer ends it;
// a stream whose Length leads to its "endstream" is read on from its data's end,
// so that data showing the word cannot cut it short.
bool readUncompressed(FILE* input, int32_t number, CPdfXRef* xref, const XRefEntry& entry, RawObject& out,
                      const ObjectLayout* layout) {
    const uint32_t start = xref->baseOffset() + static_cast<uint32_t>(entry.offset);
    const uint32_t limit = layout ? layout->endOfObjectAt(start) : UINT32_MAX;
    FileBlockCache* blocks = xref->blockCache();
    if (!blocks) return false;  // a document not read from a file has no raw text
    ObjectTextReader reader(input, blocks, start, limit, out.bytes);
    reader.readUpTo(limits::firstEndobjChunkBytes);
    const ObjectExtent extent =
        readObjectExtent(xref, start, number, out.bytes.data(), static_cast<uint32_t>(out.bytes.size()));
    if (!extent.parsed || extent.number != number) return false;
    // The extent's reader may have seen the "endobj" already, within the object's room.
    uint64_t endobjEnd = limit > start && extent.objectEnd <= limit - start ? extent.objectEnd : 0;
    if (endobjEnd == 0 && extent.isStream && extent.dataEnd >= start)
        endobjEnd = locateObjectEnd(reader, *blocks, start, limit, extent.dataEnd - start);
    if (endobjEnd == 0 && !extent.endstreamMissing) endobjEnd = locateObjectEnd(reader, *blocks, start, limit, 0);
    const bool repairing = xref->streamEndFinder() != nullptr;
    if (repairing && (endobjEnd == 0 || extent.endstreamMissing))
        return readRepairedText(input, xref->blockCache(), start, limit, extent, out);
    out.endKnown = endobjEnd != 0;
    if (endobjEnd == 0) endobjEnd = locateFirstEndobjWord(reader, *blocks, start, limit, 0);
    if (endobjEnd == 0) return false;
    out.endWritten = false;
    out.inFile = endobjEnd + 1 > reader.memoryLimit();
    if (out.inFile) {
        out.bytes.clear();
        out.fileStart = start;
        out.fileEnd = static_cast<uint32_t>(start + endobjEnd);
        out.closingByte = closingByteAt(*blocks, out.fileEnd, limit);
    } else {
        endAfterEndobj(reader, out.bytes, static_cast<size_t>(endobjEnd));
    }
    out.generation = extent.generation;
    out.isObjectStream = extent.isObjectStream;
    return true;
}

// Most objects lie wholly within the first chunk that the scan for their end
// reads: such a text is read with one positioned read, where a seek and a read
// through the stream's buffer cost two system calls. False when the chunk does not
// settle the text's end (the caller then reads it the ordinary way).
bool readSmallText(FILE* input, FileBlockCache* blocks, uint32_t start, uint32_t limit, std::vector<uint8_t>& bytes) {
    if (limit <= start) return false;
    const uint32_t available = limit - start;
    const uint32_t chunk = std::min(available, limits::firstEndobjChunkBytes);
    bytes.resize(chunk);
    bytes.resize(readInput(input, blocks, start, bytes.data(), chunk));
    ObjectEndScanner scanner;
    uint64_t end = scanner.feed(bytes.data(), bytes.size());
    // The text may close with "endobj" exactly at the end of its range; where the
    // chunk ends earlier, more may follow, and the ordinary way settles it.
    if (end == 0 && bytes.size() == available) end = scanner.finish();
    if (end == 0) return false;
    const size_t endobjEnd = static_cast<size_t>(end);
    endTextAt(bytes, endobjEnd);
    return true;
}

// A text whose end the lookup saw (`textEnd`, a file position), read as the scan
// of a first chunk would read it: only when that chunk also holds the byte after
// its "endobj", which the scan must see.
bool readKnownText(FILE* input, FileBlockCache* blocks, uint32_t start, uint32_t limit, uint32_t textEnd,
                   std::vector<uint8_t>& bytes) {
    if (textEnd <= start || limit <= start) return false;
    const uint32_t end = textEnd - start;
    if (end >= std::min(limit - start, limits::firstEndobjChunkBytes)) return false;
    bytes.resize(end + 1);
    if (readInput(input, blocks, start, bytes.data(), bytes.size()) != bytes.size()) return false;
    endTextAt(bytes, end);
    return true;
}

// An object that a lookup has fetched as a dictionary has its own header at its
// offset and holds no stream data: a first chunk mostly holds its whole text.
bool readFetchedDictionary(FILE* input, CPdfXRef& xref, const XRefEntry& entry, uint32_t textEnd, RawObject& out,
                           const ObjectLayout& layout) {
    const uint32_t start = xref.baseOffset() + static_cast<uint32_t>(entry.offset);
    const uint32_t limit = layout.endOfObjectAt(start);
    out.generation = entry.gen;
    out.isObjectStream = false;
    out.endWritten = false;
    out.inFile = false;
    out.endKnown = true;
    return readKnownText(input, xref.blockCache(), start, limit, textEnd, out.bytes) ||
           readSmallText(input, xref.blockCache(), start, limit, out.bytes);
}

// A text read anew carries none of the repairs of the one read before into `out`.
void forgetRepairs(RawObject& out) {
    out.containersClosed = false;
    out.stringsClosed = false;
}

}  // namespace

bool readRawObject(FILE* input, int32_t number, CPdfXRef* xref, const XRefEntryTable& entries, RawObject& out,
                   const ObjectLayout* layout) {
    const XRefEntry* found = entries.find(number);
    if (!found) return false;
    const XRefEntry& entry = *found;
    forgetRepairs(out);
    switch (entry.type) {
    case XRefEntryType::Compressed:
        return readCompressed(number, xref, out);
    case XRefEntryType::Uncompressed:
        return readUncompressed(input, number, xref, entry, out, layout);
    default:
        return false;
    }
}

RawObjectReader::RawObjectReader(FILE* input, CPdfXRef& xref, const ObjectLayout& layout)
    : input(input), xref(xref), entryList(xref.getEntries()), objectLayout(layout) {}

FileBlockCache& RawObjectReader::bytes() const { return *xref.blockCache(); }

bool RawObjectReader::read(int32_t number, RawObject& out) const {
    if (!readRawObject(input, number, &xref, entryList, out, &objectLayout)) return false;
    closeWhatTheParserClosed(number, out);
    return true;
}

// An object the parser read with a container closed at its end is written closed,
// so that the output is read as the job read the input. One too large to hold has
// no end that a reader finds, and the output check refuses it.
void RawObjectReader::closeWhatTheParserClosed(int32_t number, RawObject& out) const {
    if (!xref.readWithContainersClosed(number)) return;
    if (out.inFile) out.endKnown = false;
    else out.containersClosed = closeOpenContainers(out.bytes);
}

uint32_t findNumberInObject(FileBlockCache& input, const RawObject& object, const char* key) {
    if (!object.inFile) return findNumberAfter(object.bytes.data(), object.length(), key);
    const uint32_t end = object.fileEnd + 1;  // with the closing byte, as the text in memory holds it
    const uint32_t last =
        findPatternInRange(input, object.fileStart, end, key, static_cast<uint32_t>(std::strlen(key)));
    if (last == 0) return 0;
    const auto byteAt = [&input](uint32_t at) {
        uint8_t byte = 0;
        return input.readFully(at, &byte, 1) == 1 ? int{byte} : EOF;
    };
    uint32_t position = last + 1;
    int c = byteAt(position);
    for (; position < end && c != EOF && !pdfchar::isDigit(c); c = byteAt(++position)) {
    }
    uint32_t value = 0;
    for (; position < end && pdfchar::isDigit(c); c = byteAt(++position))
        value = value * 10 + static_cast<uint32_t>(c - '0');
    return value;
}

bool RawObjectReader::readFetched(int32_t number, RawObject& out, uint32_t textEnd) const {
    const XRefEntry* found = entryList.find(number);
    if (!found) return false;
    const XRefEntry& entry = *found;
    if (entry.type != XRefEntryType::Uncompressed) return read(number, out);
    forgetRepairs(out);
    if (!readFetchedDictionary(input, xref, entry, textEnd, out, objectLayout)) return read(number, out);
    closeWhatTheParserClosed(number, out);
    return true;
}

bool RawObjectReader::readToKnownEnd(int32_t number, uint32_t textEnd, RawObject& out) const {
    const XRefEntry* entry = entryList.find(number);
    if (!entry || entry->type != XRefEntryType::Uncompressed) return false;
    const uint32_t start = xref.baseOffset() + static_cast<uint32_t>(entry->offset);
    forgetRepairs(out);
    if (!readKnownText(input, xref.blockCache(), start, objectLayout.endOfObjectAt(start), textEnd, out.bytes))
        return false;
    out.generation = entry->gen;
    out.isObjectStream = false;
    out.endWritten = false;
    out.inFile = false;
    out.endKnown = true;
    closeWhatTheParserClosed(number, out);
    return true;
}

bool loadObjectText(FileBlockCache& input, RawObject& object) {
    if (!object.inFile) return true;
    const uint32_t length = object.fileEnd - object.fileStart;
    object.bytes.resize(length);
    if (input.readFully(object.fileStart, object.bytes.data(), length) != length) return false;
    object.bytes.push_back(object.closingByte);
    object.inFile = false;
    return true;
}
