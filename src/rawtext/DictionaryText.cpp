#include "rawtext/DictionaryText.h"

uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    do lexer.lexToken(token);
    while (!token.is(LexedToken::Kind::EndOfFile) && !token.isKeyword("obj"));
    lexer.lexToken(token);
    return token.isKeyword("<<") ? source.where() : 0;
}
