#include "xref/PdfObjectStream.h"

#include <algorithm>

#include "limits/Limits.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "stream/PdfEmbedStream.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

// "N" and "First" of an object stream, when both are usable. A count beyond the
// file's entries cannot be right: no more objects exist.
bool readLayout(const CPdfXRef& xref, const CPdfElement& object, int32_t& count, int32_t& first) {
    CPdfDictionary* dictionary = object.stream()->streamDictionary();
    if (!dictionary) return false;
    CPdfElement value;
    dictionary->find("N", value);
    if (!value.is(ElementType::Integer) || value.integer() <= 0) return false;
    count = value.integer();
    if (count > static_cast<int64_t>(xref.getEntries().size())) return false;
    value.clear();
    dictionary->find("First", value);
    if (!value.is(ElementType::Integer) || value.integer() < 0) return false;
    first = value.integer();
    return true;
}

void drain(CPdfStream* stream) {
    while (stream->readByte() >= 0) {
    }
}

// A window of `count` bytes (or of everything left, when not limited) over `source`.
// The parser and the window share the view: the window drains it at the end.
class Window {
public:
    Window(CPdfXRef* xref, CPdfStream* source, bool limited, int32_t count)
        : stream(makeRetained<CPdfEmbedStream>(source, CPdfElement::null(), limited, count)),
          parser(xref, stream) {}
    CPdfParser& reader() { return parser; }
    // Leaves `source` exactly at the window's end, however far the look-ahead read.
    void finish() { drain(stream.get()); }

private:
    RetainPtr<CPdfEmbedStream> stream;
    CPdfParser parser;
};

// Parses the header's pairs of object number and offset. False when a pair is
// not two integers.
bool readHeader(CPdfXRef* xref, CPdfStream* decoded, int32_t count, int32_t first, std::vector<int32_t>& numbers,
                std::vector<int32_t>& offsets) {
    Window header(xref, decoded, true, first);
    for (int32_t j = 0; j < count; ++j) {
        CPdfElement number, offset;
        header.reader().parseObject(number);
        header.reader().parseObject(offset);
        if (!number.is(ElementType::Integer) || !offset.is(ElementType::Integer)) return false;
        numbers.push_back(number.integer());
        offsets.push_back(offset.integer());
    }
    header.finish();
    return true;
}

}  // namespace

CPdfObjectStream::CPdfObjectStream(CPdfXRef* xref, int32_t streamNumber) : streamNum(streamNumber) {
    CPdfElement object;
    xref->fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) return;
    int32_t count = 0, first = 0;
    if (!readLayout(*xref, object, count, first)) return;

    // Every read goes through one budget of decoded bytes, so that no object stream
    // can make the reader inflate without end.
    const auto budget = makeRetained<CPdfEmbedStream>(object.stream(), CPdfElement::null(), true,
                                                      static_cast<int32_t>(limits::maximumObjectStreamData + 1));

    std::vector<int32_t> offsets;
    if (!readHeader(xref, budget.get(), count, first, objectNumbers, offsets)) {
        objectNumbers.clear();
        return;
    }
    for (int32_t skip = offsets[0]; skip > 0 && budget->readByte() >= 0; --skip) {
    }
    objects.resize(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        const bool last = k + 1 == count;
        const int64_t span = last ? 0 : int64_t{offsets[k + 1]} - offsets[k];
        Window window(xref, budget.get(), !last, static_cast<int32_t>(std::clamp<int64_t>(span, 0, INT32_MAX)));
        window.reader().parseObject(objects[static_cast<size_t>(k)]);
        window.finish();
        if (budget->remainingBytes() <= 0) throw CPdfException("PDF file was damaged");
    }
    xref->chargeObjectStreamWork(static_cast<uint64_t>(limits::maximumObjectStreamData + 1 - budget->remainingBytes()));
    objectCount = count;
}

void CPdfObjectStream::getObject(int32_t index, int32_t objectNumber, CPdfElement& out) const {
    if (index < 0 || index >= objectCount || objectNumbers[static_cast<size_t>(index)] != objectNumber) {
        out.setNull();
        return;
    }
    out.copyFrom(objects[static_cast<size_t>(index)]);
}

namespace {

void readAll(CPdfStream* stream, std::vector<uint8_t>& data) {
    for (int c = stream->readByte(); c >= 0; c = stream->readByte()) {
        if (static_cast<int64_t>(data.size()) >= limits::maximumObjectStreamData) throw CPdfException("PDF file was damaged");
        data.push_back(static_cast<uint8_t>(c));
    }
}

}  // namespace

CPdfRawObjectStream::CPdfRawObjectStream(CPdfXRef* xref, int32_t streamNumber) : streamNum(streamNumber) {
    {
        CPdfElement object;
        xref->fetchObject(streamNumber, 0, object);
        if (!object.is(ElementType::Stream)) return;
        readAll(object.stream(), data);
        dataLength = static_cast<int32_t>(data.size());
        xref->chargeObjectStreamWork(data.size());
    }
    // A second fetch gives a fresh decoder for the header: a decoded stream is read once.
    CPdfElement object;
    xref->fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) return;
    int32_t count = 0;
    if (!readLayout(*xref, object, count, first)) return;
    if (!readHeader(xref, object.stream(), count, first, objectNumbers, offsets)) {
        objectNumbers.clear();
        offsets.clear();
        return;
    }
    objectCount = count;
}

// Refuses any header offset that would reach outside the data.
const uint8_t* CPdfRawObjectStream::getObjectText(int32_t index, int32_t objectNumber, int32_t& length) const {
    if (index < 0 || index >= objectCount || objectNumbers[static_cast<size_t>(index)] != objectNumber) return nullptr;
    const int64_t start = int64_t{first} + offsets[static_cast<size_t>(index)];
    const int64_t end = index + 1 == objectCount ? dataLength : int64_t{first} + offsets[static_cast<size_t>(index) + 1];
    if (start < 0 || end < start || end > dataLength) return nullptr;
    length = static_cast<int32_t>(end - start);
    return data.data() + start;
}

std::vector<int32_t> readObjectStreamNumbers(CPdfXRef* xref, int32_t streamNumber) {
    std::vector<int32_t> numbers, offsets;
    CPdfElement object;
    xref->fetchObject(streamNumber, 0, object);
    if (!object.is(ElementType::Stream)) return numbers;
    int32_t count = 0, first = 0;
    if (!readLayout(*xref, object, count, first)) return numbers;
    const auto budget = makeRetained<CPdfEmbedStream>(object.stream(), CPdfElement::null(), true,
                                                      static_cast<int32_t>(limits::maximumObjectStreamData + 1));
    if (!readHeader(xref, budget.get(), count, first, numbers, offsets)) numbers.clear();
    xref->chargeObjectStreamWork(static_cast<uint64_t>(limits::maximumObjectStreamData + 1 - budget->remainingBytes()));
    return numbers;
}
