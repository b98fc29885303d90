#include "stream/PdfStream.h"

#include "limits/Messages.h"
#include "model/PdfException.h"

size_t CPdfStream::readBlock(uint8_t* into, size_t count) {
    size_t done = 0;
    for (int c; done < count && (c = readByte()) >= 0;) into[done++] = static_cast<uint8_t>(c);
    return done;
}

int CPdfStream::getRawChar() { throw CPdfException(FailureKind::Internal, message::rawCharOfPlainStream); }
