#pragma once
// Reading the lines of a list file as UTF-8, whatever its encoding.
#include <cstdint>
#include <cstdio>
#include <string>

// How a list's text is stored, told by its first bytes: a byte order mark of
// UTF-8, UTF-16 LE or UTF-16 BE; without one, UTF-8 when every byte of the list
// is valid UTF-8, and else the system's own encoding (the ANSI code page on
// Windows, the bytes as they are on POSIX).
enum class ListEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Local };

// Checks UTF-8 a byte at a time, as the strict definition has it: no overlong
// forms, no surrogates, nothing past U+10FFFF, and no sequence cut short.
class Utf8Check {
public:
    void add(unsigned char byte);
    bool valid() const { return !failed && pending == 0; }
    bool failedAlready() const { return failed; }

private:
    int pending = 0;                              // continuation bytes still to come
    unsigned char lowest = 0x80, highest = 0xBF;  // the range the next continuation byte must lie in
    bool failed = false;
};

// Appends a code point in UTF-8; a surrogate or a value past U+10FFFF becomes U+FFFD.
void appendUtf8(std::string& text, char32_t codePoint);

// Reads list lines: CR, LF and CR LF each end a line, in every encoding, and the
// byte order mark is no part of the first line. A line is read up to the longest
// path the system accepts (in bytes of UTF-8) and no further.
class ListReader {
public:
    explicit ListReader(FILE* list);
    ListEncoding encoding() const { return textEncoding; }

    // False at the end of the list. A line too long to be a path sets `tooLong`.
    bool next(std::string& line, bool& tooLong);
    // Reads the list again from its first line.
    void restart();

private:
    static constexpr int32_t end = -1;
    ListEncoding detectEncoding();
    int32_t nextCharacter();
    int32_t nextUtf16Character();
    int32_t nextUnit();
    void appendCharacter(std::string& line, int32_t character) const;

    FILE* list;
    long textStart = 0;  // past the byte order mark
    ListEncoding textEncoding = ListEncoding::Utf8;
    int32_t heldBack = end - 1;  // a character read ahead of its time, if any
};
