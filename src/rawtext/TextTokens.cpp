#include "rawtext/TextTokens.h"

bool opensContainer(const CPdfElement& token) { return token.isKeyword("<<") || token.isKeyword("["); }
bool closesContainer(const CPdfElement& token) { return token.isKeyword(">>") || token.isKeyword("]"); }

bool completeReference(TextTokens& tokens, int32_t& generation) {
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

bool skipValue(TextTokens& tokens, const CPdfElement& first) {
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

bool holdsOneValue(const uint8_t* text, uint32_t length) {
    TextTokens tokens(text, length);
    CPdfElement token;
    tokens.next(token);
    if (token.is(ElementType::EndOfFile) || closesContainer(token)) return false;
    if (!skipValue(tokens, token)) return false;
    tokens.next(token);
    return token.is(ElementType::EndOfFile);
}
