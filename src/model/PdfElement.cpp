#include "model/PdfElement.h"

#include <cstring>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

bool ownsText(ElementType kind) {
    return kind == ElementType::String || kind == ElementType::Name || kind == ElementType::Keyword;
}

}  // namespace

CPdfElement::CPdfElement(const CPdfElement& other) { copyFrom(other); }

CPdfElement::CPdfElement(CPdfElement&& other) noexcept { takeFrom(other); }

const CPdfElement& CPdfElement::null() {
    static const CPdfElement element = [] {
        CPdfElement value;
        value.setNull();
        return value;
    }();
    return element;
}

CPdfElement& CPdfElement::operator=(const CPdfElement& other) {
    if (this != &other) {
        clear();
        copyFrom(other);
    }
    return *this;
}

CPdfElement::~CPdfElement() { clear(); }

void CPdfElement::clear() {
    switch (kind) {
    case ElementType::String:
    case ElementType::Name:
    case ElementType::Keyword:
        if (!textIsInline) delete[] payload.text;
        break;
    case ElementType::Array:
        payload.array->release();
        break;
    case ElementType::Dictionary:
        payload.dictionary->release();
        break;
    case ElementType::Stream:
        payload.stream->release();
        break;
    default:
        break;
    }
    kind = ElementType::None;
    textIsInline = false;
    payload = Payload{};
}

void CPdfElement::copyFrom(const CPdfElement& source) {
    if (ownsText(source.kind)) {
        makeText(source.kind, source.text());
        return;
    }
    kind = source.kind;
    payload = source.payload;
    if (kind == ElementType::Array) payload.array->retain();
    else if (kind == ElementType::Dictionary) payload.dictionary->retain();
    else if (kind == ElementType::Stream) payload.stream->retain();
}

void CPdfElement::takeFrom(CPdfElement& source) {
    kind = source.kind;
    textIsInline = source.textIsInline;
    payload = source.payload;
    source.kind = ElementType::None;
    source.textIsInline = false;
    source.payload = Payload{};
}

void CPdfElement::resolve(CPdfXRef* xref, CPdfElement& out) const {
    if (kind == ElementType::Reference && xref) {
        xref->fetchObject(payload.reference.number, payload.reference.generation, out);
        return;
    }
    out.copyFrom(*this);
}

void CPdfElement::makeArray(CPdfXRef* xref) {
    kind = ElementType::Array;
    payload.array = new CPdfArray(xref);
}

void CPdfElement::makeDictionary(CPdfXRef* xref) {
    kind = ElementType::Dictionary;
    payload.dictionary = new CPdfDictionary(xref);
}

void CPdfElement::shareDictionary(CPdfDictionary* dictionary) {
    dictionary->retain();
    kind = ElementType::Dictionary;
    payload.dictionary = dictionary;
}

void CPdfElement::shareStream(CPdfStream* stream) {
    stream->retain();
    kind = ElementType::Stream;
    payload.stream = stream;
}

void CPdfElement::makeString(const char* text) { makeText(ElementType::String, text); }
void CPdfElement::makeName(const char* text) { makeText(ElementType::Name, text); }
void CPdfElement::makeKeyword(const char* text) { makeText(ElementType::Keyword, text); }

void CPdfElement::makeText(ElementType textKind, const char* text) {
    const size_t length = std::strlen(text);
    if (length < sizeof payload.shortText) {
        std::memcpy(payload.shortText, text, length + 1);
        textIsInline = true;
    } else {
        char* copy = new char[length + 1];
        std::memcpy(copy, text, length + 1);
        payload.text = copy;
    }
    kind = textKind;
}

void CPdfElement::setBoolean(bool value) {
    kind = ElementType::Boolean;
    payload.boolean = value ? 1 : 0;
}

void CPdfElement::setInteger(int32_t value) {
    kind = ElementType::Integer;
    payload.integer = value;
}

void CPdfElement::setReal(double value) {
    kind = ElementType::Real;
    payload.real = value;
}

void CPdfElement::setReference(int32_t number, int32_t generation) {
    kind = ElementType::Reference;
    payload.reference.number = number;
    payload.reference.generation = generation;
}

bool CPdfElement::isKeyword(const char* text) const {
    return kind == ElementType::Keyword && std::strcmp(this->text(), text) == 0;
}

bool CPdfElement::hasText(const char* text) const {
    return ownsText(kind) && std::strcmp(this->text(), text) == 0;
}
