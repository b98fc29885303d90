#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rawtext/DictionaryEntries.h"

class CPdfXRef;
class FileBlockCache;

// The raw text of a cross-reference section's trailer dictionary: the dictionary
// after a classic table's "trailer" keyword, or a cross-reference stream's own.
struct TrailerText {
    std::string text;  // from the section's first byte of interest through the dictionary's close
    std::vector<DictionaryEntry> entries;
};

// Reads the trailer of the section at file position `sectionStart`. Reads no more
// of the file than the dictionary needs (and never past `fileSize`). False when
// no complete dictionary stands there.
bool readTrailerText(FileBlockCache& input, uint64_t sectionStart, bool isStream, uint64_t fileSize,
                     TrailerText& trailer);

// The Encrypt entry of the trailer that opened a file whose encryption dictionary
// stands in the trailer itself, as the input writes it (the white space before its
// key included): that dictionary is not encrypted, and the output keeps its bytes.
// Throws "PDF file was damaged" when the text cannot be read.
std::string directEncryptionEntry(const CPdfXRef& xref, uint64_t fileSize);
