#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Finds where an object's text ends as the lexer reads it: at the first "endobj"
// that is a keyword of its own, not a part of a literal or hex string, a comment,
// a name, a longer word or stream data. The text is fed in pieces as it is read,
// so that an object in memory and one copied through file blocks end alike.
//
// Stream data is passed over up to its first "endstream": a stream whose Length
// leads to its "endstream" is scanned from just after its data instead, as the
// parser reads it.
class ObjectEndScanner {
public:
    // `from` is the offset, counted from the object's first byte, of the first byte fed.
    explicit ObjectEndScanner(uint64_t from = 0) : position(from) {}

    // Reads the next `count` bytes of the text. Returns the offset just past the
    // "endobj" that ends the object once the byte after it shows the keyword
    // complete (nothing more is to be fed then), and 0 until then.
    uint64_t feed(const uint8_t* bytes, size_t count);
    // The text has no more bytes (the file or the room for the object ended): the
    // offset of its end when it closes with "endobj", 0 otherwise.
    uint64_t finish() const;
    // The offset of the next byte to feed.
    uint64_t fed() const { return position; }

    // What the text fed so far leaves open at its end, as the lexer reads it there.
    enum class OpenAtEnd : uint8_t { Nothing, Comment, String, StreamData };
    OpenAtEnd openAtEnd() const;
    // The bytes that close an open string as the lexer read it to its end: a ")" for
    // each open parenthesis (after a lone backslash, a line end first, which the
    // escape takes as nothing), or the ">" of a hex string.
    std::string stringClosers() const;

private:
    enum class State : uint8_t {
        Between,
        Comment,
        String,
        StringEscape,
        AfterLess,
        HexString,
        Name,
        NameHash,
        NameHashLow,
        Number,
        Word,
        StreamData
    };

    void startToken(uint8_t c);
    void addToWord(uint8_t c);
    bool wordIs(const char* keyword, size_t length) const;
    bool endsWord();

    uint64_t position;
    State state = State::Between;
    uint32_t depth = 0;     // open parentheses of a literal string
    char word[8] = {};      // a word's first bytes
    size_t wordLength = 0;  // its whole length
    uint64_t recent = 0;    // the last eight bytes of stream data
};
