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

void skipValue(TextTokens& tokens, const CPdfElement& first) {
    if (opensContainer(first)) {
        CPdfElement token;
        for (int depth = 1; depth > 0;) {
            tokens.next(token);
            if (token.is(ElementType::EndOfFile)) return;
            if (opensContainer(token)) ++depth;
            else if (closesContainer(token)) --depth;
        }
        return;
    }
    int32_t generation = 0;
    if (first.is(ElementType::Integer)) completeReference(tokens, generation);
}
