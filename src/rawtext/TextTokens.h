#pragma once

#include <cstdint>
#include <utility>

#include "parse/PdfLexer.h"

// The lexer over object text, remembering where each token ended, so that the raw
// text operations can cut and splice the text between tokens. Nothing is built:
// a token's text lives until the next one.
class TextTokens {
public:
    TextTokens(const uint8_t* text, uint32_t length) : source(text, length), lexer(source) {}
    TextTokens(const TextTokens&) = delete;
    TextTokens& operator=(const TextTokens&) = delete;

    void next(LexedToken& token) { lexer.lexToken(token); }
    uint32_t where() const { return source.where(); }
    void rewindTo(uint32_t position) { source.rewindTo(position); }

private:
    TextSource source;
    PdfLexer<TextSource> lexer;
};

// When the integer just read starts a reference "n g R", passes over the rest of
// it and gives its generation; otherwise leaves the position just after the integer.
bool completeReference(TextTokens& tokens, int32_t& generation);

// Passes over the rest of one complete value that starts with `first`; composite
// values are skipped to their close. False when the text ends before the close.
bool skipValue(TextTokens& tokens, const LexedToken& first);

// True when `text` holds exactly one complete value and nothing after it but white
// space and comments (no "stream" keyword and data, no second object).
bool holdsOneValue(const uint8_t* text, uint32_t length);
