#include "parse/DictionarySkim.h"

#include "parse/DictionaryReader.h"

DictionarySkim skimDictionary(const uint8_t* text, uint32_t length, uint32_t start) {
    using Reader = DictionaryReader<TextSource>;
    DictionarySkim skim;
    Reader entries(TextSource(text, length), start);
    bool typeSeen = false, lengthSeen = false;  // of two equal keys the first counts
    while (entries.next()) {
        const Reader::ValueKind kind = entries.valueKind();
        if (!typeSeen && entries.keyIs("Type") && kind != Reader::ValueKind::Missing) {
            typeSeen = true;
            skim.typeIsName = kind == Reader::ValueKind::Name;
            if (skim.typeIsName) skim.type.assign(entries.name());
        }
        if (!lengthSeen && entries.keyIs("Length")) {
            lengthSeen = true;
            const bool reference = kind == Reader::ValueKind::Reference;
            skim.lengthKind = reference                            ? DictionarySkim::LengthKind::Reference
                              : kind == Reader::ValueKind::Integer ? DictionarySkim::LengthKind::Integer
                                                                   : DictionarySkim::LengthKind::Other;
            skim.length = kind == Reader::ValueKind::Integer ? entries.wideInteger() : 0;
            skim.lengthNumber = reference ? entries.integer() : 0;
            skim.lengthGeneration = reference ? entries.generation() : 0;
        }
    }
    skim.closed = entries.closed();
    skim.end = entries.end();
    return skim;
}

uint32_t dictionaryAfterHeader(const uint8_t* text, uint32_t length) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    do lexer.lexToken(token);
    while (!token.is(LexedToken::Kind::EndOfFile) && !token.isKeyword("obj"));
    lexer.lexToken(token);
    return token.isKeyword("<<") ? source.where() : 0;
}
