#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FileBlockCache;

// Where an object's text ends, as the parser's lexer reads it: just past the first
// closing keyword "endobj" that is a token of its own, not a part of a string, a comment, a name
// or a longer word. The data after a "stream" keyword is passed over up to its
// first "endstream", as a stream whose Length cannot be trusted must be.

// What the text left open where it ended without its closing keyword.
enum class OpenAtEnd : uint8_t { Nothing, Comment, String, StreamData };

struct TextEnd {
    // Counted from the text's first byte: just past the closing keyword, or 0 when no such
    // keyword ends the text.
    uint64_t end = 0;
    OpenAtEnd open = OpenAtEnd::Nothing;
    // For an open string: the bytes that close it as the lexer read it to its end,
    // a ")" for each open parenthesis (after a lone backslash, a line end first,
    // which the escape takes as nothing), or the ">" of a hex string.
    std::string closers;
};

// The end of text held in memory, lexed from `from` on. `whole`: the text is all
// there is; otherwise a closing keyword that reaches its last byte may go on and ends
// nothing yet.
TextEnd findObjectEnd(const uint8_t* text, size_t length, size_t from, bool whole);

// The end of the text of the file that starts at `start`, lexed from `start + from`
// on and never past `limit` (the next object, or the end of the file): counted
// from `start`, or 0.
uint64_t findObjectEndInFile(FileBlockCache& file, uint64_t start, uint64_t from, uint64_t limit);
