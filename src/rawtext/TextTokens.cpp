#include "rawtext/TextTokens.h"

#include "parse/CharacterClass.h"
#include "stream/ByteSearch.h"

bool completeReference(TextTokens& tokens, int32_t& generation) {
    const uint32_t afterFirst = tokens.where();
    LexedToken token;
    tokens.next(token);
    if (token.is(LexedToken::Kind::Integer)) {
        const int32_t second = token.integer;
        tokens.next(token);
        if (token.isKeyword("R")) {
            generation = second;
            return true;
        }
    }
    tokens.rewindTo(afterFirst);
    return false;
}

bool skipValue(TextTokens& tokens, const LexedToken& first) {
    if (first.opensContainer()) {
        LexedToken token;
        for (int depth = 1; depth > 0;) {
            tokens.next(token);
            if (token.is(LexedToken::Kind::EndOfFile)) return false;
            if (token.opensContainer()) ++depth;
            else if (token.closesContainer()) --depth;
        }
        return true;
    }
    int32_t generation = 0;
    if (first.is(LexedToken::Kind::Integer)) completeReference(tokens, generation);
    return true;
}

namespace {

// One container and only white space after it, told by its brackets alone: every
// token ends at a delimiter, so without strings, comments and hex strings (whose
// bytes are no tokens) each "<<", ">>", "[" and "]" is a token, paired from the
// left as the lexer pairs them, and a lone ">" is a token that opens and closes
// nothing. False also where the text needs the lexer to tell: a page's dictionary,
// the common case, is decided here at a few instructions a byte.
bool plainlyOneContainer(const uint8_t* text, uint32_t length) {
    uint32_t at = 0;
    while (at < length && pdfchar::isWhitespace(text[at])) ++at;
    const bool opens = at < length && (text[at] == '[' || (text[at] == '<' && at + 1 < length && text[at + 1] == '<'));
    if (!opens) return false;
    int64_t depth = 0;
    do {
        at = nextByteOf<'(', '%', '<', '>', '[', ']'>(text, at, length);
        if (at == length) return false;
        const uint8_t c = text[at];
        const bool doubled = at + 1 < length && text[at + 1] == c;
        if (c == '[' || (c == '<' && doubled)) ++depth;
        else if (c == ']' || (c == '>' && doubled)) --depth;
        else if (c != '>') return false;  // a string, a hex string or a comment
        at += (c == '<' || c == '>') && doubled ? 2 : 1;
    } while (depth > 0);
    while (at < length && pdfchar::isWhitespace(text[at])) ++at;
    return at == length;
}

}  // namespace

bool holdsOneValue(const uint8_t* text, uint32_t length) {
    if (plainlyOneContainer(text, length)) return true;
    TextTokens tokens(text, length);
    LexedToken token;
    tokens.next(token);
    if (token.is(LexedToken::Kind::EndOfFile) || token.closesContainer()) return false;
    if (!skipValue(tokens, token)) return false;
    tokens.next(token);
    return token.is(LexedToken::Kind::EndOfFile);
}
