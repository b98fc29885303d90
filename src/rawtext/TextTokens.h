#pragma once

#include <cstdint>
#include <utility>

#include "model/PdfElement.h"
#include "parse/PdfLexer.h"

// The lexer over object text, remembering where each token ended, so that the raw
// text operations can cut and splice the text between tokens.
template <class Source>
class BasicTextTokens {
public:
    explicit BasicTextTokens(Source source) : source(std::move(source)), lexer(this->source) {}
    BasicTextTokens(const BasicTextTokens&) = delete;
    BasicTextTokens& operator=(const BasicTextTokens&) = delete;

    // The next token, replacing `token`'s value.
    void next(CPdfElement& token) {
        token.clear();
        lexer.readToken(token);
    }
    uint32_t where() const { return source.where(); }
    void rewindTo(uint32_t position) { source.rewindTo(position); }

private:
    Source source;
    PdfLexer<Source> lexer;
};

// Object text held in memory.
class TextTokens : public BasicTextTokens<TextSource> {
public:
    TextTokens(const uint8_t* text, uint32_t length) : BasicTextTokens(TextSource(text, length)) {}
};

bool opensContainer(const CPdfElement& token);
bool closesContainer(const CPdfElement& token);

// When `first` (an integer) starts a reference "n g R", passes over the rest of it
// and gives its generation; otherwise leaves the position just after `first`.
template <class Tokens>
bool completeReference(Tokens& tokens, int32_t& generation) {
    const uint32_t afterFirst = tokens.where();
    CPdfElement second, keyword;
    tokens.next(second);
    tokens.next(keyword);
    if (second.is(ElementType::Integer) && keyword.isKeyword("R")) {
        generation = second.integer();
        return true;
    }
    tokens.rewindTo(afterFirst);
    return false;
}

// Passes over the rest of one complete value that starts with `first`; composite
// values are skipped to their close. False when the text ends before the close.
template <class Tokens>
bool skipValue(Tokens& tokens, const CPdfElement& first) {
    if (opensContainer(first)) {
        CPdfElement token;
        for (int depth = 1; depth > 0;) {
            tokens.next(token);
            if (token.is(ElementType::EndOfFile)) return false;
            if (opensContainer(token)) ++depth;
            else if (closesContainer(token)) --depth;
        }
        return true;
    }
    int32_t generation = 0;
    if (first.is(ElementType::Integer)) completeReference(tokens, generation);
    return true;
}

// True when `text` holds exactly one complete value and nothing after it but white
// space and comments (no "stream" keyword and data, no second object).
bool holdsOneValue(const uint8_t* text, uint32_t length);
