#pragma once

#include <cstdint>

#include "model/PdfElement.h"
#include "parse/PdfLexer.h"

// The lexer over object text held in memory, remembering where each token ended,
// so that the raw text operations can cut and splice the text between tokens.
class TextTokens {
public:
    TextTokens(const uint8_t* text, uint32_t length) : source(text, length), lexer(source) {}

    // The next token, replacing `token`'s value.
    void next(CPdfElement& token) {
        token.clear();
        lexer.readToken(token);
    }
    uint32_t where() const { return source.where(); }
    void rewindTo(uint32_t position) { source.rewindTo(position); }

private:
    TextSource source;
    PdfLexer<TextSource> lexer;
};

bool opensContainer(const CPdfElement& token);
bool closesContainer(const CPdfElement& token);

// When `first` (an integer) starts a reference "n g R", passes over the rest of it
// and gives its generation; otherwise leaves the position just after `first`.
bool completeReference(TextTokens& tokens, int32_t& generation);

// Passes over the rest of one complete value that starts with `first`; composite
// values are skipped to their close. False when the text ends before the close.
bool skipValue(TextTokens& tokens, const CPdfElement& first);

// True when `text` holds exactly one complete value and nothing after it but white
// space and comments (no "stream" keyword and data, no second object).
bool holdsOneValue(const uint8_t* text, uint32_t length);
