#include "xref/ObjectStreams.h"

#include "limits/Messages.h"
#include "model/PdfException.h"
#include "xref/PdfObjectStream.h"

ObjectStreams::ObjectStreams(CPdfXRef& xref) : xref(xref) {}
ObjectStreams::~ObjectStreams() = default;

void ObjectStreams::fetch(int32_t streamNumber, int32_t index, int32_t number, CPdfElement& out, ValueSieve* sieve) {
    if (!parsed || parsed->streamNum != streamNumber) {
        parsed.reset();
        parsed = std::make_unique<CPdfObjectStream>(&xref, decoded(streamNumber));
    }
    parsed->getObject(index, number, out, sieve);
}

const uint8_t* ObjectStreams::rawText(int32_t streamNumber, int32_t index, int32_t number, int32_t& length) {
    if (!raw || raw->streamNum != streamNumber) {
        raw.reset();
        raw = std::make_unique<CPdfRawObjectStream>(decoded(streamNumber));
    }
    return raw->getObjectText(index, number, length);
}

// The two forms share the decoded stream when they read the same one.
std::shared_ptr<const DecodedObjectStream> ObjectStreams::decoded(int32_t streamNumber) {
    if (parsed && parsed->streamNum == streamNumber) return parsed->decoded;
    if (raw && raw->streamNum == streamNumber) return raw->decoded;
    if (auto kept = recent.find(streamNumber)) return kept;
    auto made = std::make_shared<const DecodedObjectStream>(&xref, streamNumber);
    recent.keep(made);
    return made;
}

void ObjectStreams::charge(uint64_t decodedBytes) {
    work += decodedBytes;
    if (work > budget) throw CPdfException(FailureKind::Damaged, message::damaged);
}

void ObjectStreams::forget() {
    parsed.reset();
    raw.reset();
    recent.clear();
}
