#pragma once

#include <string>

#include "model/ObjectId.h"

class OutputFile;
class OutputTable;

// The cross-reference of a compact full rewrite as a stream (ISO 32000, 7.5.8),
// written at the output's position: a row for every object of `records`, written
// in the file or into an object stream, and one for the stream itself, numbered
// past them all; /Index lists only the numbers in use, and each field is as wide
// as its largest value needs. Its dictionary holds what a trailer would: Size,
// Root, Info (the generations as writeTrailer gives them) and `moreEntries` as
// they stand. Then "startxref" and "%%EOF". The stream is never encrypted.
void writeXRefStream(OutputFile& output, OutputTable& records, ObjectId root, ObjectId info,
                     const std::string& moreEntries);
