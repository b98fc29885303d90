#include "rotate/RawObject.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/CharacterClass.h"
#include "parse/PdfParser.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

const uint8_t* search(const uint8_t* begin, const uint8_t* end, const char* pattern, uint32_t patternLength) {
    if (patternLength == 0 || end - begin < static_cast<ptrdiff_t>(patternLength)) return nullptr;
    return static_cast<const uint8_t*>(memmem(begin, static_cast<size_t>(end - begin), pattern, patternLength));
}

}  // namespace

uint32_t findPattern(const uint8_t* text, uint32_t start, uint32_t length, const char* pattern,
                     uint32_t patternLength) {
    if (start >= length) return 0;
    const uint8_t* found = search(text + start, text + length, pattern, patternLength);
    return found ? static_cast<uint32_t>(found - text) + patternLength - 1 : 0;
}

uint32_t findPatternInFile(FILE* file, uint32_t start, const char* pattern, uint32_t patternLength) {
    return findPatternInRange(file, start, UINT32_MAX, pattern, patternLength);
}

uint32_t findPatternInRange(FILE* file, uint32_t start, uint32_t end, const char* pattern, uint32_t patternLength) {
    if (patternLength == 0 || start >= end || fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0) return 0;
    constexpr size_t blockSize = 64 * 1024;
    std::vector<uint8_t> block(blockSize + patternLength);
    size_t carried = 0;                 // bytes kept from the previous block
    uint64_t blockPosition = start;     // file position of block[0]
    for (;;) {
        const uint64_t left = end - (blockPosition + carried);
        const size_t read = fread(block.data() + carried, 1, std::min<uint64_t>(blockSize, left), file);
        if (read == 0) return 0;
        const size_t filled = carried + read;
        if (const uint8_t* found = search(block.data(), block.data() + filled, pattern, patternLength)) {
            const uint64_t last = blockPosition + static_cast<uint64_t>(found - block.data()) + patternLength - 1;
            return last > UINT32_MAX ? 0 : static_cast<uint32_t>(last);
        }
        // An occurrence may straddle two blocks: keep the tail that could begin one.
        carried = std::min<size_t>(filled, patternLength - 1);
        std::memmove(block.data(), block.data() + filled - carried, carried);
        blockPosition += filled - carried;
    }
}

uint32_t findNumberAfter(const uint8_t* text, uint32_t length, const char* key) {
    uint32_t i = findPattern(text, 0, length, key, static_cast<uint32_t>(std::strlen(key)));
    if (i == 0) return 0;
    while (i < length && !pdfchar::isDigit(text[i])) ++i;
    uint32_t value = 0;
    for (; i < length && pdfchar::isDigit(text[i]); ++i) value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    return value;
}

namespace {

bool readCompressed(int32_t number, CPdfXRef* xref, RawObject& out) {
    int32_t textLength = 0;
    const uint8_t* text = xref->getRawObject(number, 0, textLength);
    if (!text || textLength <= 0) return false;
    const std::string head = std::to_string(number) + " 0 obj\r";
    static const char tail[] = " endobj\r";
    out.bytes.clear();
    out.bytes.reserve(head.size() + static_cast<size_t>(textLength) + sizeof tail - 1);
    out.bytes.insert(out.bytes.end(), head.begin(), head.end());
    out.bytes.insert(out.bytes.end(), text, text + textLength);
    out.bytes.insert(out.bytes.end(), tail, tail + sizeof tail - 1);
    out.generation = 0;
    out.isObjectStream = false;
    return true;
}

// What parsing the object at `start` tells about its extent: for a stream object,
// the file position after its data (taken from its Length, resolved as the parser
// resolves it), and whether it is an object stream. Damaged objects tell nothing,
// and neither does an object with another number: its body is not even parsed, as
// many entries may name the offset of one large object.
struct ParsedExtent {
    bool parsed = false;
    int32_t number = 0;
    int32_t generation = 0;
    bool isStream = false;
    bool isObjectStream = false;
    uint32_t dataEnd = 0;
};

ParsedExtent parseExtent(CPdfXRef* xref, uint32_t start, int32_t expectedNumber) {
    ParsedExtent extent;
    try {
        CPdfParser parser(xref, xref->fileStream()->openWindow(start, 0, CPdfElement::null()));
        parser.keepStreamsRaw();
        CPdfElement number, generation, keyword, object;
        parser.parseObject(number);
        parser.parseObject(generation);
        parser.parseObject(keyword);
        if (!number.is(ElementType::Integer) || !generation.is(ElementType::Integer) || !keyword.isKeyword("obj") ||
            number.integer() != expectedNumber)
            return extent;
        extent.parsed = true;
        extent.number = number.integer();
        extent.generation = generation.integer();
        parser.parseObject(object);
        if (!object.is(ElementType::Stream)) return extent;
        CPdfStream* data = object.stream();
        extent.isStream = true;
        extent.dataEnd = data->windowStart() + data->windowLength();
        if (CPdfDictionary* dictionary = data->streamDictionary()) {
            CPdfElement type;
            dictionary->find("Type", type);
            extent.isObjectStream = type.is(ElementType::Name) && std::strcmp(type.text(), "ObjStm") == 0;
        }
    } catch (const CPdfException&) {
        extent.isStream = false;  // the object cannot be read that way: fall back to the text search
    }
    return extent;
}

bool readBytes(FILE* input, uint32_t start, uint32_t count, std::vector<uint8_t>& bytes) {
    bytes.resize(count);
    if (fseeko(input, static_cast<off_t>(start), SEEK_SET) != 0) return false;
    bytes.resize(fread(bytes.data(), 1, count, input));
    return true;
}

// The byte after "endobj" is kept only when it is white space, so that two
// objects never run together in the output.
void endWithWhiteSpace(std::vector<uint8_t>& bytes, uint32_t endobjEnd) {
    if (bytes.size() > endobjEnd) {
        if (!pdfchar::isWhitespace(bytes[endobjEnd])) bytes[endobjEnd] = '\n';
    } else {
        bytes.push_back('\n');
    }
}

// The object at the entry's offset must carry its own number, as for a lookup;
// anything else there is not this object's text.
bool readUncompressed(FILE* input, int32_t number, CPdfXRef* xref, const XRefEntry& entry, RawObject& out,
                      const ObjectLayout* layout) {
    const uint32_t start = xref->baseOffset() + static_cast<uint32_t>(entry.offset);
    const ParsedExtent extent = parseExtent(xref, start, number);
    if (!extent.parsed || extent.number != number) return false;
    const uint32_t limit = layout ? layout->endOfObjectAt(start) : UINT32_MAX;
    uint32_t last = 0;  // position of the last byte of the closing "endobj"
    if (extent.isStream) last = findPatternInRange(input, extent.dataEnd, limit, "endobj", 6);
    if (last == 0) last = findPatternInRange(input, start, limit, "endobj", 6);
    if (last == 0 || last < start) return false;
    if (!readBytes(input, start, last + 2 - start, out.bytes)) return false;
    if (out.bytes.size() < last + 1 - start) return false;  // the file changed under us
    endWithWhiteSpace(out.bytes, last + 1 - start);
    out.generation = extent.generation;
    out.isObjectStream = extent.isObjectStream;
    return true;
}

}  // namespace

bool readRawObject(FILE* input, int32_t number, CPdfXRef* xref, const std::vector<XRefEntry>& entries,
                   RawObject& out, const ObjectLayout* layout) {
    if (number < 0 || number >= static_cast<int32_t>(entries.size())) return false;
    const XRefEntry& entry = entries[static_cast<size_t>(number)];
    switch (entry.type) {
    case XRefEntryType::Compressed:
        return readCompressed(number, xref, out);
    case XRefEntryType::Uncompressed:
        return readUncompressed(input, number, xref, entry, out, layout);
    default:
        return false;
    }
}
