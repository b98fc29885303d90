#include "rawtext/RawObject.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "crypt/ObjectStrings.h"
#include "crypt/StandardSecurity.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/FramedNumber.h"
#include "model/PdfException.h"
#include "parse/CharacterClass.h"
#include "parse/DictionarySkim.h"
#include "parse/Keywords.h"
#include "parse/ObjectEnd.h"
#include "platform/Platform.h"
#include "rawtext/DictionaryText.h"
#include "rawtext/OpenContainers.h"
#include "stream/PatternSearch.h"
#include "stream/ByteSearch.h"
#include "stream/FileBlockCache.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

// Where the first "(", "%" or "<" lies at or after `at`, or `length`.
size_t nextOpeningByte(const uint8_t* text, size_t at, size_t length) {
    return nextByteOf<'(', '%', '<'>(text, at, length);
}

// Only a "(", a "%" or a "<" that opens no dictionary can start what a text leaves
// open: most texts hold none of them, and are passed over at a glance rather than
// by the lexer, which reads every byte.
bool mayEndOpen(const uint8_t* text, size_t length) {
    for (size_t at = nextOpeningByte(text, 0, length); at < length; at = nextOpeningByte(text, at, length)) {
        if (text[at] != '<' || at + 1 == length || text[at + 1] != '<') return true;
        at += 2;
    }
    return false;
}

// An object of an object stream ends where the next one begins, and the copy adds
// the closing keyword after it: what its text leaves open would run on past that word.
// A comment ends with a line end. A string left open is damage, or, for a document
// that recovers damaged files, closed at the text's end as the lexer ended it
// (with the containers around it, as the parser took them closed).
std::string closersOfCompressed(const CPdfXRef& xref, const uint8_t* text, int32_t length, RawObject& out) {
    if (!mayEndOpen(text, static_cast<size_t>(length))) return std::string();
    TextEnd end = findObjectEnd(text, static_cast<size_t>(length), 0, true);
    if (end.end != 0) return std::string();
    switch (end.open) {
    case OpenAtEnd::Comment:
        return "\n";
    case OpenAtEnd::String:
        if (xref.readMode() != ReadMode::Recovering) throw CPdfException(FailureKind::Damaged, message::damaged);
        out.stringsClosed = true;
        return std::move(end.closers);
    default:
        return std::string();
    }
}

FramedNumber compressedObjectHead(int32_t number) { return FramedNumber("", number, " 0 obj\r"); }

// An object of an encrypted file that comes out of its object stream gets its
// strings encrypted, as an ordinary object's are: every text handed out is one
// that may stand in the file as it is. One that goes into an object stream again
// keeps them as they are there (`encryptStrings` false): the stream is encrypted whole.
bool readCompressed(int32_t number, CPdfXRef* xref, RawObject& out, bool encryptStrings) {
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
    bool asStored = closed.empty();  // the text is the one the stream stores
    std::string encrypted;
    const StandardSecurity* security = xref->encryption().security();
    if (encryptStrings && security && security->encryptsStrings() &&
        number != xref->encryption().dictionaryObject().number) {
        encrypted = encryptObjectStrings({reinterpret_cast<const char*>(text), static_cast<size_t>(textLength)},
                                         *security, {number, 0});
        text = reinterpret_cast<const uint8_t*>(encrypted.data());
        textLength = static_cast<int32_t>(encrypted.size());
        asStored = false;
    }
    const FramedNumber framedHead = compressedObjectHead(number);
    const std::string_view head = framedHead.text();
    static const char* const tail = keywords::compressedObjectEnd;
    static const size_t tailLength = std::strlen(tail);
    out.bytes.clear();
    out.bytes.reserve(head.size() + static_cast<size_t>(textLength) + tailLength);
    out.bytes.insert(out.bytes.end(), head.begin(), head.end());
    out.bytes.insert(out.bytes.end(), text, text + textLength);
    out.bytes.insert(out.bytes.end(), tail, tail + tailLength);
    if (out.stringsClosed) out.containersClosed = closeOpenContainers(out.bytes);
    out.generation = 0;
    out.isObjectStream = false;
    out.endWritten = false;
    out.inFile = false;
    out.endKnown = true;
    // Only a text's end changes above: where its dictionary opens holds, past the header.
    const ObjectExtents::MemberDictionary dictionary = xref->extents().memberDictionary(number);
    out.dictionaryOpening = dictionary.opening == 0 ? 0 : static_cast<uint32_t>(head.size()) + dictionary.opening;
    // That nothing follows it holds for the text as the stream stores it.
    out.dictionaryAlone = out.dictionaryOpening != 0 && dictionary.alone && asStored;
    return true;
}

// The byte after the closing keyword is kept only when it is white space, so that two
// objects never run together in the output; none (-1) becomes a line feed too.
uint8_t closingByte(int c) { return pdfchar::isWhitespace(c) ? static_cast<uint8_t>(c) : '\n'; }

uint8_t closingByteAt(FileBlockCache& blocks, uint64_t position, uint64_t limit) {
    uint8_t byte = 0;
    if (position >= limit || blocks.readFully(position, &byte, 1) != 1) return '\n';
    return closingByte(byte);
}

// A text that ends with its closing keyword: in memory when it fits there with the byte after
// it, else where it lies in the file.
void sliceText(FileBlockCache& blocks, const ObjectExtent& extent, RawObject& out) {
    const uint64_t length = extent.length();
    const uint64_t room = std::min<uint64_t>(extent.limit - extent.start, limits::inMemoryObjectBytes);
    out.inFile = length + 1 > room;
    if (out.inFile) {
        out.bytes.clear();
        out.fileStart = extent.start;
        out.fileEnd = extent.end;
        out.closingByte = closingByteAt(blocks, extent.end, extent.limit);
        return;
    }
    out.bytes.resize(static_cast<size_t>(length) + 1);
    out.bytes.resize(blocks.readFully(extent.start, out.bytes.data(), out.bytes.size()));
    if (out.bytes.size() <= length) {
        out.bytes.push_back('\n');
        return;
    }
    out.bytes[length] = closingByte(out.bytes[length]);
}

// With "-repair": the text of an object whose "endstream" or closing keyword is missing,
// up to the end of its data or value, with the words added.
void textWithWordsAdded(FileBlockCache& blocks, const ObjectExtent& extent, RawObject& out) {
    out.bytes.resize(static_cast<size_t>(extent.length()));
    out.bytes.resize(blocks.readFully(extent.start, out.bytes.data(), out.bytes.size()));
    const std::string_view closers =
        extent.endstreamMissing ? keywords::writtenStreamAndObjectEnd : keywords::writtenObjectEnd;
    out.bytes.insert(out.bytes.end(), closers.begin(), closers.end());
    out.inFile = false;
}

bool readUncompressed(CPdfXRef& xref, int32_t number, const XRefEntry& entry, RawObject& out) {
    const ObjectExtent extent = xref.extents().locate(number, entry);
    if (!extent.readable) return false;
    FileBlockCache& blocks = *xref.blockCache();
    out.generation = extent.generation;
    out.isObjectStream = extent.isObjectStream;
    out.endWritten = extent.ending == ObjectExtent::Ending::ValueOnly;
    out.endKnown = extent.ending != ObjectExtent::Ending::FirstEndobj;
    out.dictionaryOpening = extent.dictionaryOpening;
    out.dictionaryAlone = false;
    if (out.endWritten) textWithWordsAdded(blocks, extent, out);
    else sliceText(blocks, extent, out);
    return true;
}

// A text read anew carries none of the repairs of the one read before into `out`.
void forgetRepairs(RawObject& out) {
    out.containersClosed = false;
    out.stringsClosed = false;
}

}  // namespace

bool readRawObject(CPdfXRef& xref, int32_t number, RawObject& out) {
    const XRefEntry* found = xref.getEntries().find(number);
    if (!found) return false;
    const XRefEntry& entry = *found;
    forgetRepairs(out);
    switch (entry.type) {
    case XRefEntryType::Compressed:
        return readCompressed(number, &xref, out, true);
    case XRefEntryType::Uncompressed:
        return readUncompressed(xref, number, entry, out);
    default:
        return false;
    }
}

bool readRawMember(CPdfXRef& xref, int32_t number, RawObject& out) {
    const XRefEntry* entry = xref.getEntries().find(number);
    if (!entry || entry->type != XRefEntryType::Compressed) return false;
    forgetRepairs(out);
    return readCompressed(number, &xref, out, false);
}

std::string_view compressedObjectValue(std::string_view text, int32_t number) {
    const size_t head = compressedObjectHead(number).text().size();
    const size_t tail = std::strlen(keywords::compressedObjectEnd);
    if (text.size() < head + tail) return {};
    return text.substr(head, text.size() - head - tail);
}

RawObjectReader::RawObjectReader(FILE* input, CPdfXRef& xref)
    : input(input), xref(xref), entryList(xref.getEntries()) {}

FileBlockCache& RawObjectReader::bytes() const { return *xref.blockCache(); }

bool RawObjectReader::read(int32_t number, RawObject& out) const {
    if (!readRawObject(xref, number, out)) return false;
    closeWhatTheParserClosed(number, out);
    return true;
}

bool RawObjectReader::readMember(int32_t number, RawObject& out) const {
    if (!readRawMember(xref, number, out)) return false;
    closeWhatTheParserClosed(number, out);
    return true;
}

// An object the parser read with a container closed at its end is written closed,
// so that the output is read as the job read the input. One too large to hold has
// no end that a reader finds, and the output check refuses it.
void RawObjectReader::closeWhatTheParserClosed(int32_t number, RawObject& out) const {
    if (!xref.recovery().readWithContainersClosed(number)) return;
    if (out.inFile) out.endKnown = false;
    else out.containersClosed = closeOpenContainers(out.bytes);
}

uint32_t findNumberInObject(FileBlockCache& input, const RawObject& object, const char* key) {
    if (!object.inFile) return findNumberAfter(object.bytes.data(), static_cast<uint32_t>(object.bytes.size()), key);
    const uint64_t end = object.fileEnd + 1;  // with the closing byte, as the text in memory holds it
    const uint64_t last =
        findPatternInRange(input, object.fileStart, end, key, static_cast<uint32_t>(std::strlen(key)));
    if (last == 0) return 0;
    const auto byteAt = [&input](uint64_t at) {
        uint8_t byte = 0;
        return input.readFully(at, &byte, 1) == 1 ? int{byte} : EOF;
    };
    uint64_t position = last + 1;
    int c = byteAt(position);
    for (; position < end && c != EOF && !pdfchar::isDigit(c); c = byteAt(++position)) {
    }
    uint32_t value = 0;
    for (; position < end && pdfchar::isDigit(c); c = byteAt(++position))
        value = value * 10 + static_cast<uint32_t>(c - '0');
    return value;
}

// Such a text comes out of an object stream, framed by its header and the closing keyword.
uint32_t aloneDictionaryEnd(const RawObject& object) {
    static const size_t tailLength = std::strlen(keywords::compressedObjectEnd);
    const bool asRead = !object.inFile && !object.containersClosed && !object.stringsClosed && !object.endWritten;
    if (!object.dictionaryAlone || !asRead || object.bytes.size() < tailLength) return 0;
    size_t end = object.bytes.size() - tailLength;
    while (end > object.dictionaryOpening && pdfchar::isWhitespace(object.bytes[end - 1])) --end;
    return static_cast<uint32_t>(end);
}

bool loadObjectText(FileBlockCache& input, RawObject& object) {
    if (!object.inFile) return true;
    const uint64_t length = object.fileEnd - object.fileStart;
    if (length >= UINT32_MAX) return false;  // what no object of a file under 4 GiB could need
    object.bytes.resize(static_cast<size_t>(length));
    if (input.readFully(object.fileStart, object.bytes.data(), length) != length) return false;
    object.bytes.push_back(object.closingByte);
    object.inFile = false;
    return true;
}
