#pragma once
// The two forms in which "-info" tells what a file and its pages show: text for
// people, a line of head and a line a page, and one JSON document for scripts.
// Both are written a piece at a time, so that a document of a million pages is
// never held whole in memory.
#include <functional>
#include <string>

#include "job/DocumentDescription.h"

using InfoSink = std::function<void(const std::string&)>;

// The text form: the file's facts on one line, the column heads, then a line a
// page; each line is handed to `line` without its line end.
void writeInfoText(const DocumentDescription& description, const InfoSink& line);

// The JSON document, on one line, handed to `write` in pieces, without a line end.
// Names that are not valid UTF-8 have their faulty bytes replaced by U+FFFD.
void writeInfoJson(const DocumentDescription& description, const InfoSink& write);
