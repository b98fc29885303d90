#pragma once

#include <cstdint>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"

class CPdfStream;

// The stream to read a stream object's data through, chosen from its dictionary:
// the raw stream itself when there is no filter, a Flate decoder over it, or null
// when the dictionary asks for something that cannot be decoded. The decoder keeps
// the count of `raw` that it is given.
// Throws "Stream filter not supported" for a single filter other than Flate. A
// Crypt filter at the head of the chain is passed over: the data reaches the
// chain decrypted as that filter says.
RetainPtr<CPdfStream> applyFilters(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary);

// A Flate decoder over `raw` with the predictor taken from `parameters`, or null
// when those parameters cannot be decoded.
RetainPtr<CPdfStream> makeFilter(const char* name, RetainPtr<CPdfStream> raw, const CPdfElement& parameters);
