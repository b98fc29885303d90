#include "stream/PdfEmbedStream.h"

CPdfEmbedStream::CPdfEmbedStream(CPdfStream* underlying, int32_t limit) : underlying(underlying), remaining(limit) {}

int CPdfEmbedStream::readByte() {
    if (remaining <= 0) return -1;
    --remaining;
    return underlying->readByte();
}

int CPdfEmbedStream::peekByte() { return remaining <= 0 ? -1 : underlying->peekByte(); }
