#pragma once

#include <cstddef>
#include <cstdint>

// Searches in blocks of file text for what a scan of a damaged file looks for:
// object headers "N G obj" and the keyword "trailer". Both are found as the lexer
// would read them, as whole tokens. Indexes count from the start of the block; the
// byte before `from` (when `from` > 0) is read to see whether a token starts there.

struct ObjectHeader {
    int32_t number = 0;
    int32_t generation = 0;
    size_t start = 0;  // the first digit of the number
    size_t end = 0;    // just after "obj"
};

// The first header that starts at or after `from`. The number and the generation
// are runs of at most ten digits, separated by white space (no comments) from each
// other and from "obj"; the number is below the PDF format's limit of objects.
// `endsFile`: the block ends where the file ends (so "obj" at its very end is a token).
bool findObjectHeader(const uint8_t* block, size_t from, size_t length, bool endsFile, ObjectHeader& header);

// The index of the first keyword `word` at or after `from`, or `length` when none.
size_t findKeyword(const uint8_t* block, size_t from, size_t length, bool endsFile, const char* word);
