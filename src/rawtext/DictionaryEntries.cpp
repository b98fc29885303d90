#include "rawtext/DictionaryEntries.h"

#include "parse/DictionaryReader.h"

namespace {

// "N G obj" stands before a stream object's dictionary; nothing stands before a trailer's.
constexpr int tokensBeforeDictionary = 3;

// Just after the "<<" that opens the dictionary; 0 when none opens there.
uint32_t openDictionary(const uint8_t* text, uint32_t length) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    for (int i = 0; i <= tokensBeforeDictionary; ++i) {
        lexer.lexToken(token);
        if (token.isKeyword("<<")) return source.where();
        if (token.is(LexedToken::Kind::EndOfFile)) return 0;
    }
    return 0;
}

}  // namespace

bool scanDictionaryEntries(const uint8_t* text, uint32_t length, std::vector<DictionaryEntry>& entries) {
    entries.clear();
    const uint32_t body = openDictionary(text, length);
    if (body == 0) return false;
    DictionaryReader<TextSource> reader(TextSource(text, length), body);
    while (reader.next()) {
        if (reader.valueKind() == DictionaryReader<TextSource>::ValueKind::Missing) continue;  // and it closes
        entries.push_back({std::string(reader.key()), reader.entryStart(), reader.valueEnd()});
    }
    return reader.closed();
}
