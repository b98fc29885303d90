#include "rawtext/RawObject.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "limits/Limits.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/CharacterClass.h"
#include "parse/PdfParser.h"
#include "platform/Platform.h"
#include "rawtext/TextSearch.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

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
        // Only a dictionary can head a stream: anything else (a large array, say)
        // need not be built just to learn that.
        if (!parser.currentToken().isKeyword("<<")) return extent;
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

// Reads an object's text from `start` on, never past `limit`, in as few reads as
// the search for its "endobj" allows.
class ObjectTextReader {
public:
    ObjectTextReader(FILE* input, uint32_t start, uint32_t limit, std::vector<uint8_t>& bytes)
        : input(input), available(limit > start ? uint64_t{limit} - start : 0), bytes(bytes) {
        bytes.clear();
        if (platform::seekFile(input, start, SEEK_SET) != 0) available = 0;
    }

    // Makes bytes [0, count) present, as far as the file and the limit allow.
    void readUpTo(uint64_t count) {
        count = std::min(count, available);
        // A text larger than the buffer gets a buffer of its own size, and the old
        // one goes first: growing it in place would hold both, up to twice the
        // largest object, for bytes that are read anew anyway.
        if (bytes.empty() && count > bytes.capacity()) std::vector<uint8_t>().swap(bytes);
        while (bytes.size() < count) {
            const size_t have = bytes.size();
            bytes.resize(static_cast<size_t>(count));
            const size_t got = fread(bytes.data() + have, 1, bytes.size() - have, input);
            bytes.resize(have + got);
            if (got == 0) {
                available = bytes.size();  // the file ends here
                return;
            }
        }
    }

    // The index just past the first "endobj" that starts at or after `from`; 0 when none.
    size_t findEndobj(size_t from) {
        size_t chunk = limits::firstEndobjChunkBytes;
        for (;;) {
            if (from < bytes.size()) {
                if (const uint8_t* found = searchBytes(bytes.data() + from, bytes.data() + bytes.size(), "endobj", 6))
                    return static_cast<size_t>(found - bytes.data()) + 6;
            }
            if (bytes.size() >= available) return 0;
            from = std::max(from, bytes.size() >= 5 ? bytes.size() - 5 : 0);
            readUpTo(bytes.size() + chunk);
            chunk = std::min<size_t>(chunk * 2, limits::largestEndobjChunkBytes);
        }
    }

private:
    FILE* input;
    uint64_t available;  // bytes that may be read from the start on
    std::vector<uint8_t>& bytes;
};

// The byte after "endobj" is kept only when it is white space, so that two
// objects never run together in the output.
void endAfterEndobj(ObjectTextReader& reader, std::vector<uint8_t>& bytes, size_t endobjEnd) {
    reader.readUpTo(endobjEnd + 1);
    if (bytes.size() > endobjEnd) {
        bytes.resize(endobjEnd + 1);
        if (!pdfchar::isWhitespace(bytes[endobjEnd])) bytes[endobjEnd] = '\n';
    } else {
        bytes.push_back('\n');
    }
}

// The object at the entry's offset must carry its own number, as for a lookup;
// anything else there is not this object's text. A stream object ends at the first
// "endobj" after its data, so data that shows the word cannot cut it short.
bool readUncompressed(FILE* input, int32_t number, CPdfXRef* xref, const XRefEntry& entry, RawObject& out,
                      const ObjectLayout* layout) {
    const uint32_t start = xref->baseOffset() + static_cast<uint32_t>(entry.offset);
    const ParsedExtent extent = parseExtent(xref, start, number);
    if (!extent.parsed || extent.number != number) return false;
    const uint32_t limit = layout ? layout->endOfObjectAt(start) : UINT32_MAX;
    ObjectTextReader reader(input, start, limit, out.bytes);
    size_t endobjEnd = 0;
    if (extent.isStream && extent.dataEnd >= start) {
        reader.readUpTo(extent.dataEnd - start);
        endobjEnd = reader.findEndobj(extent.dataEnd - start);
    }
    if (endobjEnd == 0) endobjEnd = reader.findEndobj(0);
    if (endobjEnd == 0) return false;
    endAfterEndobj(reader, out.bytes, endobjEnd);
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

RawObjectReader::RawObjectReader(FILE* input, CPdfXRef& xref, const ObjectLayout& layout)
    : input(input), xref(xref), entryList(xref.getEntries()), objectLayout(layout) {}

bool RawObjectReader::read(int32_t number, RawObject& out) const {
    return readRawObject(input, number, &xref, entryList, out, &objectLayout);
}
