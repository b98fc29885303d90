#include "rawtext/TextTokens.h"

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

bool holdsOneValue(const uint8_t* text, uint32_t length) {
    TextTokens tokens(text, length);
    LexedToken token;
    tokens.next(token);
    if (token.is(LexedToken::Kind::EndOfFile) || token.closesContainer()) return false;
    if (!skipValue(tokens, token)) return false;
    tokens.next(token);
    return token.is(LexedToken::Kind::EndOfFile);
}
