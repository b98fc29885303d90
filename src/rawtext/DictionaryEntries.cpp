#include "rawtext/DictionaryEntries.h"

#include "rawtext/TextTokens.h"

namespace {

// "N G obj" stands before a stream object's dictionary; nothing stands before a trailer's.
constexpr int tokensBeforeDictionary = 3;

bool openDictionary(TextTokens& tokens) {
    CPdfElement token;
    for (int i = 0; i <= tokensBeforeDictionary; ++i) {
        tokens.next(token);
        if (token.isKeyword("<<")) return true;
        if (token.is(ElementType::EndOfFile)) return false;
    }
    return false;
}

}  // namespace

bool scanDictionaryEntries(const uint8_t* text, uint32_t length, std::vector<DictionaryEntry>& entries) {
    entries.clear();
    TextTokens tokens(text, length);
    if (!openDictionary(tokens)) return false;
    CPdfElement token, value;
    for (;;) {
        const uint32_t start = tokens.where();
        tokens.next(token);
        if (token.isKeyword(">>")) return true;
        if (token.is(ElementType::EndOfFile)) return false;
        if (!token.is(ElementType::Name)) continue;
        tokens.next(value);
        if (value.isKeyword(">>")) return true;
        if (value.is(ElementType::EndOfFile)) return false;
        skipValue(tokens, value);  // a container left open reaches the end: the next token says so
        entries.push_back({token.text(), start, tokens.where()});
    }
}
