#pragma once

#include <cstdint>
#include <string>

class CPdfXRef;

// What a document is, beyond its pages: facts that "-info" tells of a file.

// The PDF version the document declares: its "%PDF-" header's ("1.7"), or the
// catalogue's /Version where that is later, as ISO 32000 says. Empty when the
// header names none.
std::string declaredVersion(CPdfXRef& xref);
// The version that the "%PDF-" header names: the digits and dots after it; empty
// without a header.
std::string headerVersion(const CPdfXRef& xref);

// The cross-reference lists objects kept in object streams.
bool usesObjectStreams(const CPdfXRef& xref);

// The file is linearized ("fast web view") as readers take it: its first object,
// within the first 1024 bytes after the header, is a dictionary with /Linearized,
// whose /L, when it is a number, is the file's length from the header on (an
// update appended since makes the file no longer linearized).
bool isLinearized(CPdfXRef& xref, uint64_t fileSize);
