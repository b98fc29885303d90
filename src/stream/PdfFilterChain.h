#pragma once

#include <cstdint>

#include "model/PdfElement.h"

class CPdfStream;

// The stream to read a stream object's data through, chosen from its dictionary:
// the raw stream itself when there is no filter, a Flate decoder over it, or null
// when the dictionary asks for something that cannot be decoded. On a non-null
// result other than `raw`, the decoder has taken over the caller's count of `raw`;
// on null or an exception the caller still holds it.
// Throws "Stream filter not supported" for a single filter other than Flate.
CPdfStream* applyFilters(CPdfStream* raw, const CPdfElement& dictionary);

// A Flate decoder over `raw` with the predictor taken from `parameters`, or null
// when those parameters cannot be decoded.
CPdfStream* makeFilter(const char* name, CPdfStream* raw, const CPdfElement& parameters);
