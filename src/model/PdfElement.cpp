#include "model/PdfElement.h"

#include <cstring>

#include "model/CountedStream.h"
#include "model/IndirectObjectHolder.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/RetainPtr.h"

namespace {

bool ownsText(ElementType kind) {
    return kind == ElementType::String || kind == ElementType::Name || kind == ElementType::Keyword;
}

// A String's text on the heap is preceded by its length, so that it may hold NUL
// bytes; names and keywords end at their first NUL.
constexpr size_t lengthPrefix = sizeof(uint32_t);

char* allocateText(ElementType kind, size_t length) {
    if (kind != ElementType::String) return new char[length + 1];
    char* block = new char[lengthPrefix + length + 1];
    const uint32_t stored = static_cast<uint32_t>(length);
    std::memcpy(block, &stored, lengthPrefix);
    return block + lengthPrefix;
}

void freeText(ElementType kind, char* text) { delete[](kind == ElementType::String ? text - lengthPrefix : text); }

// The payload keeps its one count in a plain pointer (it shares a union with the
// other kinds of value); these hand that count to and from the holder.
template <class T>
T* shareCount(T* object) {
    return RetainPtr<T>(object).leak();
}

template <class T>
void dropCount(T* object) {
    RetainPtr<T>::adopt(object).reset();
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

CPdfElement& CPdfElement::operator=(CPdfElement&& other) noexcept {
    if (this != &other) {
        clear();
        takeFrom(other);
    }
    return *this;
}

void CPdfElement::clear() {
    switch (kind) {
    case ElementType::String:
    case ElementType::Name:
    case ElementType::Keyword:
        if (!textIsInline) freeText(kind, payload.text);
        break;
    case ElementType::Array:
        dropCount(payload.array);
        break;
    case ElementType::Dictionary:
        dropCount(payload.dictionary);
        break;
    case ElementType::Stream:
        dropCount(payload.stream);
        break;
    default:
        break;
    }
    kind = ElementType::None;
    textIsInline = false;
    integerModulo = 0;
    payload = Payload{};
}

void CPdfElement::copyFrom(const CPdfElement& source) {
    if (source.kind == ElementType::String) {
        const std::string_view bytes = source.stringBytes();
        makeText(source.kind, bytes.data(), bytes.size());
        return;
    }
    if (ownsText(source.kind)) {
        makeText(source.kind, source.text());
        return;
    }
    kind = source.kind;
    integerModulo = source.integerModulo;
    payload = source.payload;
    if (kind == ElementType::Array) shareCount(payload.array);
    else if (kind == ElementType::Dictionary) shareCount(payload.dictionary);
    else if (kind == ElementType::Stream) shareCount(payload.stream);
}

void CPdfElement::takeFrom(CPdfElement& source) {
    kind = source.kind;
    textIsInline = source.textIsInline;
    integerModulo = source.integerModulo;
    payload = source.payload;
    source.kind = ElementType::None;
    source.textIsInline = false;
    source.integerModulo = 0;
    source.payload = Payload{};
}

void CPdfElement::resolve(IndirectObjectHolder* objects, CPdfElement& out, ValueSieve* sieve) const {
    if (kind == ElementType::Reference && objects) {
        objects->fetchObject(payload.reference.number, payload.reference.generation, out, sieve);
        return;
    }
    out.copyFrom(*this);
}

void CPdfElement::makeArray(IndirectObjectHolder* objects) {
    kind = ElementType::Array;
    payload.array = makeRetained<CPdfArray>(objects).leak();
}

void CPdfElement::makeDictionary(IndirectObjectHolder* objects) {
    kind = ElementType::Dictionary;
    payload.dictionary = makeRetained<CPdfDictionary>(objects).leak();
}

void CPdfElement::shareDictionary(CPdfDictionary* dictionary) {
    kind = ElementType::Dictionary;
    payload.dictionary = shareCount(dictionary);
}

void CPdfElement::shareCounted(CountedStream* stream) {
    kind = ElementType::Stream;
    payload.stream = shareCount(stream);
}

void CPdfElement::makeString(const char* text) { makeText(ElementType::String, text); }
void CPdfElement::makeString(const char* bytes, size_t length) { makeText(ElementType::String, bytes, length); }

std::string_view CPdfElement::stringBytes() const {
    if (kind != ElementType::String) return {};
    if (textIsInline) return payload.shortText;
    uint32_t length = 0;
    std::memcpy(&length, payload.text - lengthPrefix, lengthPrefix);
    return {payload.text, length};
}
void CPdfElement::makeName(const char* text) { makeText(ElementType::Name, text); }
void CPdfElement::makeName(std::string_view bytes) { makeText(ElementType::Name, bytes.data(), bytes.size()); }
void CPdfElement::makeKeyword(const char* text) { makeText(ElementType::Keyword, text); }

void CPdfElement::makeText(ElementType textKind, const char* text) { makeText(textKind, text, std::strlen(text)); }

// A short text without NUL bytes stays inline; one with them goes to the heap,
// where its length is kept.
void CPdfElement::makeText(ElementType textKind, const char* text, size_t length) {
    if (length < sizeof payload.shortText && std::memchr(text, 0, length) == nullptr) {
        std::memcpy(payload.shortText, text, length);
        payload.shortText[length] = 0;
        textIsInline = true;
    } else {
        char* copy = allocateText(textKind, length);
        std::memcpy(copy, text, length);
        copy[length] = 0;
        payload.text = copy;
    }
    kind = textKind;
}

void CPdfElement::setBoolean(bool value) {
    kind = ElementType::Boolean;
    payload.boolean = value ? 1 : 0;
}

void CPdfElement::setInteger(int64_t value) { setInteger(value, static_cast<int32_t>(value % 360)); }

void CPdfElement::setInteger(int64_t value, int32_t modulo360) {
    kind = ElementType::Integer;
    payload.integer = value;
    integerModulo = static_cast<int16_t>(modulo360);
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

bool CPdfElement::hasText(const char* text) const { return ownsText(kind) && std::strcmp(this->text(), text) == 0; }
