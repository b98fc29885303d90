#include "rawtext/TextTokens.h"

bool opensContainer(const CPdfElement& token) { return token.isKeyword("<<") || token.isKeyword("["); }
bool closesContainer(const CPdfElement& token) { return token.isKeyword(">>") || token.isKeyword("]"); }

bool holdsOneValue(const uint8_t* text, uint32_t length) {
    TextTokens tokens(text, length);
    CPdfElement token;
    tokens.next(token);
    if (token.is(ElementType::EndOfFile) || closesContainer(token)) return false;
    if (!skipValue(tokens, token)) return false;
    tokens.next(token);
    return token.is(ElementType::EndOfFile);
}
