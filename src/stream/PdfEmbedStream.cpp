#include "stream/PdfEmbedStream.h"

#include "model/PdfDictionary.h"

CPdfEmbedStream::CPdfEmbedStream(CPdfStream* underlying, const CPdfElement& dictionary, bool limited,
                                 int32_t count)
    : underlying(underlying), limited(limited), remaining(count) {
    this->dictionary.copyFrom(dictionary);
}

int CPdfEmbedStream::readByte() {
    if (limited) {
        if (remaining <= 0) return -1;
        --remaining;
    }
    return underlying->readByte();
}

int CPdfEmbedStream::peekByte() {
    if (limited && remaining <= 0) return -1;
    return underlying->peekByte();
}

CPdfDictionary* CPdfEmbedStream::streamDictionary() const {
    return dictionary.is(ElementType::Dictionary) ? dictionary.dictionary() : nullptr;
}
