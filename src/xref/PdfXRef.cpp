#include "xref/PdfXRef.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "stream/PdfStream.h"
#include "xref/PdfObjectStream.h"

CPdfXRef::CPdfXRef() = default;
CPdfXRef::~CPdfXRef() = default;

void CPdfXRef::load(CPdfStream* stream) {
    file = stream;
    base = stream->windowStart();
    file->seek(0, 2);
    objectStreamBudget = (uint64_t{256} << 20) + 64 * uint64_t{file->tell()};
    readSectionChain();
    readTrailerReferences();
    trailer.dictionary()->setXRef(this);
}

// Newest section first; an entry is stored only while no newer section has set it.
// A Prev chain that comes back to a section already read ends there.
void CPdfXRef::readSectionChain() {
    uint32_t offset = findStartXRef();
    if (offset == 0) throw CPdfException("PDF file was damaged");
    while (sectionsRead.insert(offset).second) {
        if (!readSection(offset)) break;
    }
    if (!trailer.is(ElementType::Dictionary)) throw CPdfException("PDF file was damaged");
}

void CPdfXRef::readTrailerReferences() {
    const CPdfDictionary& dictionary = *trailer.dictionary();
    CPdfElement value;
    dictionary.findRaw("Root", value);
    if (!value.is(ElementType::Reference)) throw CPdfException("PDF file was damaged");
    rootNum = value.refNum();
    rootGen = value.refGen();
    value.clear();
    dictionary.findRaw("Info", value);
    if (value.is(ElementType::Reference)) {
        infoNum = value.refNum();
        infoGen = value.refGen();
    }
    value.clear();
    dictionary.findRaw("Encrypt", value);
    if (value.is(ElementType::Reference)) throw CPdfException("\nPDF file is encrypted");
}

uint32_t CPdfXRef::findStartXRef() {
    constexpr int tailSize = 1023;
    file->seek(-tailSize, 2);
    char tail[tailSize + 1];
    int length = 0;
    while (length < tailSize) {
        const int c = file->readByte();
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
        long value = std::strtol(number, nullptr, 10);
        if (value > INT32_MAX) value = INT32_MAX;
        if (value < INT32_MIN) value = INT32_MIN;
        return static_cast<uint32_t>(static_cast<int32_t>(value));
    }
    return 0;
}

bool CPdfXRef::readSection(uint32_t& offset) {
    CPdfParser parser(nullptr, file->openWindow(base + offset, 0, CPdfElement::null()));
    CPdfElement object;
    parser.parseObject(object);
    if (object.isKeyword("xref")) return readTable(parser, offset);
    if (!object.is(ElementType::Integer)) throw CPdfException("Couldn't parse an xref");
    for (int part = 0; part < 3; ++part) {
        object.clear();
        parser.parseObject(object);
        const bool matches = part == 0   ? object.is(ElementType::Integer)
                             : part == 1 ? object.isKeyword("obj")
                                         : object.is(ElementType::Stream);
        if (!matches) throw CPdfException("Couldn't parse an xref stream");
    }
    return readCrossRefStream(object.stream(), offset);
}

void CPdfXRef::growEntries(int64_t size, const char* failure) {
    if (size > maximumEntries) throw CPdfException(failure);
    if (size > static_cast<int64_t>(entries.size())) entries.resize(static_cast<size_t>(size));
}

namespace {

const char* const tableFailure = "Couldn't parse an xref table";

}  // namespace

bool CPdfXRef::readTable(CPdfParser& parser, uint32_t& offset) {
    // Free entries are stored only after the section's XRefStm stream has been
    // read: a hybrid-reference file's table commonly lists the objects that only
    // the stream knows as free, and the stream's entries must win over those.
    std::vector<std::pair<int64_t, XRefEntry>> freeEntries;
    for (;;) {
        CPdfElement object;
        parser.parseObject(object);
        if (object.is(ElementType::Keyword)) {
            if (!object.isKeyword("trailer")) throw CPdfException(tableFailure);
            CPdfElement dictionary;
            parser.parseObject(dictionary);
            if (!dictionary.is(ElementType::Dictionary)) throw CPdfException("Trailer dictionary is wrong type");
            const bool isNewest = trailer.is(ElementType::None);
            if (isNewest) trailer.copyFrom(dictionary);
            readHybridStream(*dictionary.dictionary());
            for (const auto& [number, free] : freeEntries) {
                XRefEntry& entry = entries[static_cast<size_t>(number)];
                if (entry.isUnset()) entry = free;
            }
            return readPrev(*dictionary.dictionary(), offset);
        }
        if (!object.is(ElementType::Integer)) throw CPdfException(tableFailure);
        const int32_t firstNumber = object.integer();
        object.clear();
        parser.parseObject(object);
        if (!object.is(ElementType::Integer)) throw CPdfException(tableFailure);
        const int64_t count = object.integer();
        const int64_t end = int64_t{firstNumber} + count;
        if (firstNumber < 0 || end > maximumEntries) throw CPdfException(tableFailure);
        // The array grows as entries are really read, so a count far beyond what the
        // file holds costs no memory before the table runs out.
        for (int64_t number = firstNumber; number < end; ++number) {
            CPdfElement entryOffset, entryGeneration, entryKind;
            parser.parseObject(entryOffset);
            parser.parseObject(entryGeneration);
            parser.parseObject(entryKind);
            const bool inUse = entryKind.isKeyword("n");
            if (!entryOffset.is(ElementType::Integer) || !entryGeneration.is(ElementType::Integer) ||
                !(inUse || entryKind.isKeyword("f")))
                throw CPdfException(tableFailure);
            growEntries(number + 1, tableFailure);
            const XRefEntry read{entryOffset.integer(), entryGeneration.integer(),
                                 inUse ? XRefEntryType::Uncompressed : XRefEntryType::Free};
            if (!inUse) {
                freeEntries.emplace_back(number, read);
                continue;
            }
            XRefEntry& entry = entries[static_cast<size_t>(number)];
            if (entry.isUnset()) entry = read;
        }
        growEntries(end, tableFailure);
    }
}

bool CPdfXRef::readPrev(const CPdfDictionary& dictionary, uint32_t& offset) {
    CPdfElement prev;
    dictionary.findRaw("Prev", prev);
    if (prev.is(ElementType::Integer)) {
        offset = static_cast<uint32_t>(prev.integer());
        return true;
    }
    if (prev.is(ElementType::Reference)) {
        offset = static_cast<uint32_t>(prev.refNum());
        return true;
    }
    return false;
}

// A hybrid-reference file's table names, with XRefStm, a cross-reference stream that
// belongs to the same section; its entries fill only what the table left unset
// (ISO 32000, 7.5.8.4). The trailer stays the table's.
void CPdfXRef::readHybridStream(const CPdfDictionary& trailerOfTable) {
    CPdfElement streamOffset;
    trailerOfTable.findRaw("XRefStm", streamOffset);
    if (!streamOffset.is(ElementType::Integer)) return;
    uint32_t offset = static_cast<uint32_t>(streamOffset.integer());
    if (!sectionsRead.insert(offset).second) return;
    uint32_t ignoredPrev = offset;
    readSection(ignoredPrev);
}

namespace {

const char* const sizeFailure = "Size of xref Stream is wrong type";
const char* const widthTypeFailure = "W item of xref Stream is wrong type";
const char* const indexFailure = "Index item of xref Stream is wrong type";

// Element i of `array` as an integer, or throws `failure`.
int32_t integerAt(const CPdfArray& array, int32_t i, const char* failure) {
    CPdfElement value;
    array.at(i, value);
    if (!value.is(ElementType::Integer)) throw CPdfException(failure);
    return value.integer();
}

// A field width. Values keep only their last four bytes, so widths far beyond that
// can only make the reader churn through data.
int32_t widthAt(const CPdfArray& widths, int32_t i) {
    const int32_t width = integerAt(widths, i, widthTypeFailure);
    if (width > 16) throw CPdfException(widthTypeFailure);
    return width;
}

}  // namespace

bool CPdfXRef::readCrossRefStream(CPdfStream* stream, uint32_t& offset) {
    CPdfDictionary* dictionary = stream->streamDictionary();
    if (!dictionary) throw CPdfException("Couldn't parse an xref stream");
    CPdfElement value;
    dictionary->findRaw("Size", value);
    if (!value.is(ElementType::Integer) || value.integer() < 0 || value.integer() > maximumEntries)
        throw CPdfException(sizeFailure);
    const int32_t size = value.integer();
    growEntries(size, sizeFailure);

    value.clear();
    dictionary->findRaw("W", value);
    if (!value.is(ElementType::Array)) throw CPdfException(widthTypeFailure);
    const CPdfArray& widths = *value.array();
    if (widths.size() < 3) throw CPdfException("W item of xref Stream is wrong length");
    const int32_t w0 = widthAt(widths, 0);
    const int32_t w1 = widthAt(widths, 1);
    const int32_t w2 = widthAt(widths, 2);

    stream->rewind();
    CPdfElement index;
    dictionary->findRaw("Index", index);
    if (index.is(ElementType::Array)) {
        const CPdfArray& pairs = *index.array();
        for (int32_t i = 0; i < pairs.size() - 1; i += 2) {
            const int32_t first = integerAt(pairs, i, indexFailure);
            const int32_t count = integerAt(pairs, i + 1, indexFailure);
            readStreamSubsection(stream, w0, w1, w2, first, count);
        }
    } else {
        readStreamSubsection(stream, w0, w1, w2, 0, size);
    }

    if (trailer.is(ElementType::None)) trailer.shareDictionary(dictionary);
    return readPrev(*dictionary, offset);
}

namespace {

// A big-endian field of `width` bytes, kept to its last 32 bits.
int32_t readField(CPdfStream* stream, int32_t width) {
    uint32_t value = 0;
    for (int32_t i = 0; i < width; ++i) {
        const int c = stream->readByte();
        if (c < 0) throw CPdfException("Unexpected EOF while reading xref stream section");
        value = value * 256 + static_cast<uint32_t>(c);
    }
    return static_cast<int32_t>(value);
}

}  // namespace

void CPdfXRef::readStreamSubsection(CPdfStream* stream, int32_t w0, int32_t w1, int32_t w2, int32_t first,
                                    int32_t count) {
    const int64_t end = int64_t{first} + count;
    if (first < 0 || end > maximumEntries) throw CPdfException(indexFailure);
    for (int64_t number = first; number < end; ++number) {
        const int32_t type = w0 == 0 ? 1 : readField(stream, w0);
        const int32_t field2 = readField(stream, w1);
        const int32_t field3 = readField(stream, w2);
        if (type < 0 || type > 2) throw CPdfException("Wrong type of xref entry while reading xref stream section");
        growEntries(number + 1, indexFailure);
        XRefEntry& entry = entries[static_cast<size_t>(number)];
        if (!entry.isUnset()) continue;
        entry.type = static_cast<XRefEntryType>(type);
        entry.offset = field2;
        entry.gen = field3;
    }
    growEntries(end, indexFailure);
}

namespace {

// Nested fetches (an indirect Length, an object stream's own object) beyond this
// depth can only come from a reference loop.
constexpr int maximumFetchDepth = 32;

class FetchDepthGuard {
public:
    explicit FetchDepthGuard(int& depth) : depth(depth) {
        if (++depth > maximumFetchDepth) {
            --depth;
            throw CPdfException("PDF file was damaged");
        }
    }
    ~FetchDepthGuard() { --depth; }

private:
    int& depth;
};

}  // namespace

void CPdfXRef::fetchObject(int32_t number, int32_t generation, CPdfElement& out) {
    if (number < 0 || number >= static_cast<int32_t>(entries.size())) throw CPdfException("Corrupted PDF file");
    const XRefEntry entry = entries[static_cast<size_t>(number)];
    FetchDepthGuard guard(fetchDepth);
    switch (entry.type) {
    case XRefEntryType::Uncompressed:
        fetchUncompressed(number, generation, entry, out);
        return;
    case XRefEntryType::Compressed:
        if (generation != 0) out.setNull();
        else fetchCompressed(number, entry, out);
        return;
    default:
        out.setNull();
        return;
    }
}

void CPdfXRef::fetchUncompressed(int32_t number, int32_t generation, const XRefEntry& entry, CPdfElement& out) {
    if (generation != entry.gen) {
        out.setNull();
        return;
    }
    CPdfParser parser(this, file->openWindow(base + static_cast<uint32_t>(entry.offset), 0, CPdfElement::null()));
    CPdfElement headerNumber, headerGeneration, keyword;
    parser.parseObject(headerNumber);
    parser.parseObject(headerGeneration);
    parser.parseObject(keyword);
    const bool matches = headerNumber.is(ElementType::Integer) && headerNumber.integer() == number &&
                         headerGeneration.is(ElementType::Integer) && headerGeneration.integer() == generation &&
                         keyword.isKeyword("obj");
    if (matches) parser.parseObject(out);
    else out.setNull();
}

void CPdfXRef::fetchCompressed(int32_t number, const XRefEntry& entry, CPdfElement& out) {
    const int32_t streamNumber = entry.offset;
    if (!objectStreamCache || objectStreamCache->streamNum != streamNumber) {
        objectStreamCache.reset();
        auto record = std::make_unique<CPdfObjectStream>(this, streamNumber);
        objectStreamCache = std::move(record);
    }
    objectStreamCache->getObject(entry.gen, number, out);
}

void CPdfXRef::chargeObjectStreamWork(uint64_t decodedBytes) {
    objectStreamWork += decodedBytes;
    if (objectStreamWork > objectStreamBudget) throw CPdfException("PDF file was damaged");
}

const uint8_t* CPdfXRef::getRawObject(int32_t number, int32_t generation, int32_t& length) {
    if (number < 0 || number >= static_cast<int32_t>(entries.size())) throw CPdfException("Corrupted PDF file");
    if (generation != 0) return nullptr;
    const XRefEntry entry = entries[static_cast<size_t>(number)];
    const int32_t streamNumber = entry.offset;
    if (!rawObjectStreamCache || rawObjectStreamCache->streamNum != streamNumber) {
        rawObjectStreamCache.reset();
        FetchDepthGuard guard(fetchDepth);
        auto record = std::make_unique<CPdfRawObjectStream>(this, streamNumber);
        rawObjectStreamCache = std::move(record);
    }
    return rawObjectStreamCache->getObjectText(entry.gen, number, length);
}
