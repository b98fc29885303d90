#pragma once

#include <cstdint>

#include "model/PdfElement.h"
#include "model/RetainPtr.h"

class CPdfStream;

// The stream to read a stream object's data through, chosen from its dictionary:
// the raw stream itself when there is no filter, otherwise the decoders that its
// filter names, each one reading the one before and the first reading `raw`. The
// decoded filters are FlateDecode, LZWDecode, ASCII85Decode, ASCIIHexDecode and
// RunLengthDecode, also by their abbreviations Fl, LZW, A85, AHx and RL. The first
// decoder keeps the count of `raw` that it is given.
//
// A stream that cannot be decoded (an image filter such as DCTDecode, a name
// not known, unusable parameters) comes back in one of two ways, and a caller
// must take both as "cannot decode":
// - throws "Stream filter not supported" when the only filter (a name, or an array
//   of one name) is one that is not decoded;
// - returns null for anything else that cannot be decoded: a chain of filters that
//   holds such a name, an empty or overlong chain, a filter value that is not a
//   name, or parameters that cannot be used.
// A Crypt filter at the head of the chain is passed over: the data reaches the
// chain decrypted as that filter says.
RetainPtr<CPdfStream> applyFilters(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary);

// The decoder of the filter `name` over `raw`, with its parameters taken from
// `parameters` (a dictionary; anything else gives the defaults), or null when those
// parameters cannot be decoded. Throws "Stream filter not supported" for a name
// that isDecodedFilter does not know.
RetainPtr<CPdfStream> makeFilter(const char* name, RetainPtr<CPdfStream> raw, const CPdfElement& parameters);

// Whether `name` is a filter that makeFilter decodes.
bool isDecodedFilter(const char* name);
