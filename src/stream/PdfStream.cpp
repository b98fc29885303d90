#include "stream/PdfStream.h"

#include "model/PdfException.h"

int CPdfStream::getRawChar() {
    throw CPdfException("Internal: called getRawChar() on non-predictor stream");
}
