#pragma once

#include <string>
#include <vector>

#include "rawtext/TrailerText.h"

// What the full rewrite keeps of the input's trailer beyond Size and Root (and an
// Info that refers to an object): a direct Info dictionary, and the ID where the
// output needs it.

// Why an output must carry the input's ID: an encrypted file's key is made from it,
// and PDF 2.0 and PDF/A require every file to have one.
struct DocumentIdNeeds {
    bool encrypted = false;
    bool requiredByStandard = false;
};

// The one decision whether the output keeps the input's ID.
bool keepsDocumentId(const DocumentIdNeeds& needs);

// The ID entry with the input's strings written in hexadecimal (they are never
// encrypted); none without strings.
std::string documentIdEntry(const std::vector<std::string>& ids);

// The trailer's Info entry as the input writes it, for an Info that is a dictionary
// of its own: its strings stand as they are, for strings outside every object are
// never encrypted. Empty when the trailer has no Info entry.
std::string directInfoEntry(const TrailerText& trailer);
