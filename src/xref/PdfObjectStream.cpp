#include "xref/PdfObjectStream.h"

#include <algorithm>
#include <climits>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "parse/SievedDictionary.h"
#include "stream/PdfEmbedStream.h"
#include "stream/PdfFlateStream.h"
#include "stream/PdfMemoryStream.h"
#include "stream/PdfStream.h"
#include "xref/ObjectStreamHeader.h"
#include "xref/PdfXRef.h"

namespace {

// "N" and "First" of an object stream, when both are usable. A count beyond the
// file's entries cannot be right: no more objects exist. With "-repair" the entries
// may be the rebuild's, which has yet to learn the numbers that object streams
// hold: the count is then bounded by what the file can hold.
bool readLayout(const CPdfXRef& xref, const CPdfElement& object, int32_t& count, int32_t& first) {
    CPdfDictionary* dictionary = object.stream()->streamDictionary();
    if (!dictionary) return false;
    CPdfElement value;
    dictionary->find("N", value);
    if (!value.is(ElementType::Integer) || value.integer() <= 0) return false;
    count = value.integer();
    const bool beyondEntries =
        xref.readMode() == ReadMode::Recovering ? !xref.canList(count) : count > xref.getEntries().numberBound();
    if (beyondEntries) return false;
    value.clear();
    dictionary->find("First", value);
    if (!value.is(ElementType::Integer) || value.integer() < 0) return false;
    first = value.integer();
    return true;
}

constexpr size_t decodeBlock = limits::objectStreamDecodeBlock;

// Reads the decoded data in blocks while it fits in the first size that is read
// whole; false when the stream goes on beyond it.
bool readSmallStream(CPdfStream* stream, DecodedBytes& data) {
    while (data.size() < limits::objectStreamReadWholeBytes) {
        const size_t have = data.size();
        data.resize(have + decodeBlock);
        const size_t got = stream->readBlock(data.data() + have, decodeBlock);
        data.resize(have + got);
        if (got < decodeBlock) return true;
    }
    return false;
}

// A sound Flate stream inflated whole, less than the size read at once. False when
// it is not one, with `object` open to be read in blocks: opened again when the
// attempt used its stream up.
bool inflatedWhole(CPdfXRef& xref, int32_t streamNumber, CPdfElement& object, DecodedBytes& data) {
    auto* const flate = dynamic_cast<CPdfFlateStream*>(object.stream());
    if (!flate || !flate->inflatesWhole()) return false;
    if (flate->inflateWhole(data, limits::objectStreamReadWholeBytes)) return true;
    data.clear();
    object.clear();
    xref.fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) throw CPdfException(FailureKind::Damaged, message::damaged);
    return false;
}

// The bytes left in the stream, counted without being kept; more than the limit
// allows is damage, so that no object stream can make the reader inflate without end.
size_t countRemaining(CPdfStream* stream, size_t alreadyRead) {
    uint8_t scratch[decodeBlock];
    size_t total = alreadyRead;
    for (;;) {
        const size_t got = stream->readBlock(scratch, decodeBlock);
        total += got;
        if (static_cast<int64_t>(total) > limits::maximumObjectStreamData)
            throw CPdfException(FailureKind::Damaged, message::damaged);
        if (got < decodeBlock) return total;
    }
}

// Reads exactly `size` decoded bytes into `data`, which holds nothing else.
void readExactly(CPdfStream* stream, size_t size, DecodedBytes& data) {
    DecodedBytes().swap(data);
    data.resize(size);
    size_t have = 0;
    while (have < size) {
        const size_t got = stream->readBlock(data.data() + have, size - have);
        if (got == 0) break;
        have += got;
    }
    data.resize(have);
}

RetainPtr<CPdfStream> memoryWindow(const DecodedBytes& data, uint32_t start, uint32_t end) {
    return makeRetained<CPdfMemoryStream>(data.data() + start, end - start);
}

// The header's pairs, from its first `first` bytes in memory: by the plain reader
// where it settles them, else by the parser.
bool readHeader(CPdfXRef* xref, const DecodedBytes& data, int32_t count, int32_t first, std::vector<int32_t>& numbers,
                std::vector<int32_t>& offsets) {
    const uint32_t headerEnd = static_cast<uint32_t>(std::min<int64_t>(first, static_cast<int64_t>(data.size())));
    // Room for the pairs at once, as many as the header's bytes can hold (four a pair).
    const size_t pairsHeld = std::min<size_t>(static_cast<size_t>(count), headerEnd / 4 + 1);
    numbers.reserve(pairsHeld);
    offsets.reserve(pairsHeld);
    if (readPlainObjectStreamHeader(data.data(), headerEnd, count, numbers, offsets)) return true;
    numbers.clear();
    offsets.clear();
    return readObjectStreamHeaderPairs(CPdfParser(xref, memoryWindow(data, 0, headerEnd)), count, numbers, offsets);
}

}  // namespace

DecodedObjectStream::DecodedObjectStream(CPdfXRef* xref, int32_t streamNumber) : streamNum(streamNumber) {
    CPdfElement object;
    xref->fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) return;
    int32_t count = 0;
    if (!readLayout(*xref, object, count, first)) return;
    // Most object streams are read at once: a sound Flate stream is inflated whole,
    // anything else is opened again and read in blocks. A larger one is decoded twice,
    // first only to learn its size, so that it is held once in a buffer of that size
    // and never in a buffer grown to twice it; one beyond the limit is never held.
    if (!inflatedWhole(*xref, streamNumber, object, data) && !readSmallStream(object.stream(), data)) {
        const size_t size = countRemaining(object.stream(), data.size());
        xref->objectStreams().charge(size);
        object.clear();
        xref->fetchObject(streamNumber, 0, object);
        if (!object.is(ElementType::Stream)) throw CPdfException(FailureKind::Damaged, message::damaged);
        readExactly(object.stream(), size, data);
    }
    xref->objectStreams().charge(data.size());
    if (!readHeader(xref, data, count, first, objectNumbers.numbers, offsets)) {
        objectNumbers.numbers.clear();
        offsets.clear();
        return;
    }
    const int64_t dataLength = static_cast<int64_t>(data.size());
    int64_t position = std::min<int64_t>(std::min<int64_t>(first, dataLength) + std::max(offsets[0], 0), dataLength);
    // The header held `count` pairs, so the count is as large as the data allows.
    windowStarts.reserve(static_cast<size_t>(count));
    windowEnds.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        const bool last = k + 1 == count;
        const int64_t span =
            last ? dataLength : std::clamp<int64_t>(int64_t{offsets[k + 1]} - offsets[k], 0, INT32_MAX);
        windowStarts.push_back(static_cast<uint32_t>(position));
        position = std::min(position + span, dataLength);
        windowEnds.push_back(static_cast<uint32_t>(position));
    }
    objectCount = count;
}

bool DecodedObjectStream::textBounds(size_t k, int64_t& start, int64_t& end) const {
    const int64_t dataLength = static_cast<int64_t>(data.size());
    start = int64_t{first} + offsets[k];
    end = k + 1 == static_cast<size_t>(objectCount) ? dataLength : int64_t{first} + offsets[k + 1];
    return start >= 0 && end >= start && end <= dataLength;
}

int32_t ObjectStreamIndex::find(int32_t index, int32_t objectNumber) const {
    const int32_t count = static_cast<int32_t>(numbers.size());
    if (index >= 0 && index < count && numbers[static_cast<size_t>(index)] == objectNumber) return index;
    if (byNumber.empty()) {
        for (int32_t i = count - 1; i >= 0; --i) byNumber[numbers[static_cast<size_t>(i)]] = i;
    }
    const auto found = byNumber.find(objectNumber);
    return found == byNumber.end() ? -1 : found->second;
}

CPdfObjectStream::CPdfObjectStream(CPdfXRef* xref, std::shared_ptr<const DecodedObjectStream> decoded)
    : streamNum(decoded->streamNum), decoded(std::move(decoded)), xref(xref) {}

void CPdfObjectStream::getObject(int32_t index, int32_t objectNumber, CPdfElement& out, ValueSieve* sieve) const {
    index = decoded->objectCount == 0 ? -1 : decoded->objectNumbers.find(index, objectNumber);
    if (index < 0) {
        out.setNull();
        return;
    }
    const size_t k = static_cast<size_t>(index);
    const uint32_t start = decoded->windowStarts[k], end = decoded->windowEnds[k];
    DictionarySpan span;
    if (sieve && readSievedDictionary(decoded->data.data() + start, end - start, true, xref, *sieve, out, &span) ==
                     SievedRead::Built) {
        // Where the dictionary opens holds for the raw text when that is the same window.
        int64_t textStart = 0, textEnd = 0;
        if (decoded->textBounds(k, textStart, textEnd) && textStart == start && textEnd == end)
            xref->extents().noteMemberDictionary(objectNumber, span.opening, span.alone);
        return;
    }
    CPdfParser parser(xref, memoryWindow(decoded->data, start, end));
    if (sieve) parser.parseObject(out, *sieve);
    else parser.parseObject(out);
}

CPdfRawObjectStream::CPdfRawObjectStream(std::shared_ptr<const DecodedObjectStream> decoded)
    : streamNum(decoded->streamNum), decoded(std::move(decoded)) {}

// Refuses any header offset that would reach outside the data.
const uint8_t* CPdfRawObjectStream::getObjectText(int32_t index, int32_t objectNumber, int32_t& length) const {
    const DecodedObjectStream& stream = *decoded;
    index = stream.objectCount == 0 ? -1 : stream.objectNumbers.find(index, objectNumber);
    if (index < 0) return nullptr;
    int64_t start = 0, end = 0;
    if (!stream.textBounds(static_cast<size_t>(index), start, end)) return nullptr;
    length = static_cast<int32_t>(end - start);
    return stream.data.data() + start;
}

std::vector<int32_t> readObjectStreamNumbers(CPdfXRef* xref, int32_t streamNumber) {
    std::vector<int32_t> numbers, offsets;
    CPdfElement object;
    xref->fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) return numbers;
    int32_t count = 0, first = 0;
    if (!readLayout(*xref, object, count, first)) return numbers;
    // The header is parsed as it is decoded: a First far into the data costs no memory.
    const int32_t headerLength = static_cast<int32_t>(std::min<int64_t>(first, limits::maximumObjectStreamData));
    const RetainPtr<CPdfEmbedStream> header = makeRetained<CPdfEmbedStream>(object.stream(), headerLength);
    const bool read =
        readObjectStreamHeaderPairs(CPdfParser(xref, RetainPtr<CPdfStream>(header)), count, numbers, offsets);
    xref->objectStreams().charge(static_cast<uint64_t>(headerLength - header->remainingBytes()));
    if (!read) numbers.clear();
    return numbers;
}
