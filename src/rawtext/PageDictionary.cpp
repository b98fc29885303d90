#include "rawtext/PageDictionary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "model/PdfElement.h"
#include "parse/PdfLexer.h"
#include "stream/PdfStream.h"

namespace {

// The lexer over object text, remembering where each token ended.
template <class Source>
class TextTokens {
public:
    explicit TextTokens(Source source) : source(std::move(source)), lexer(this->source) {}

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

bool opensContainer(const CPdfElement& token) { return token.isKeyword("<<") || token.isKeyword("["); }
bool closesContainer(const CPdfElement& token) { return token.isKeyword(">>") || token.isKeyword("]"); }

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
// values are skipped to their close.
template <class Tokens>
void skipValue(Tokens& tokens, const CPdfElement& first) {
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

int32_t truncatedInteger(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

template <class Tokens>
void readRotateValue(Tokens& tokens, const CPdfElement& value, PageDictionaryLayout& layout) {
    if (value.is(ElementType::Integer)) {
        int32_t generation = 0;
        if (completeReference(tokens, generation)) {
            layout.valueIsReference = true;
            layout.referenceNumber = value.integer();
            layout.referenceGeneration = generation;
        } else {
            layout.valueIsNumber = true;
            layout.valueNumber = value.integer();
        }
    } else if (value.is(ElementType::Real)) {
        layout.valueIsNumber = true;
        layout.valueNumber = truncatedInteger(value.real());
    } else {
        skipValue(tokens, value);
    }
    layout.valueEnd = tokens.where();
}

template <class Tokens>
PageDictionaryLayout scan(Tokens& tokens) {
    PageDictionaryLayout layout;
    // The header: object number, generation and "obj"; then the page's dictionary.
    CPdfElement token;
    do tokens.next(token);
    while (!token.is(ElementType::EndOfFile) && !token.isKeyword("obj"));
    tokens.next(token);
    if (!token.isKeyword("<<")) return layout;
    layout.found = true;
    layout.bodyStart = tokens.where();
    for (;;) {
        tokens.next(token);
        if (token.is(ElementType::EndOfFile) || token.isKeyword(">>")) return layout;
        if (!token.is(ElementType::Name)) continue;  // not a key: skipped, as the parser does
        const bool isRotate = std::string_view(token.text()) == "Rotate";
        const uint32_t keyEnd = tokens.where();
        CPdfElement value;
        tokens.next(value);
        if (value.is(ElementType::EndOfFile)) return layout;
        if (isRotate) {
            layout.hasRotate = true;
            layout.keyEnd = keyEnd;
            if (value.isKeyword(">>")) {
                layout.valueEnd = keyEnd;
                return layout;
            }
            readRotateValue(tokens, value, layout);
            return layout;
        }
        if (value.isKeyword(">>")) return layout;
        skipValue(tokens, value);
    }
}

}  // namespace

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    TextTokens<TextSource> tokens{TextSource{text, length}};
    return scan(tokens);
}

PageDictionaryLayout scanPageDictionary(CPdfStream& window) {
    TextTokens<WindowSource> tokens{WindowSource{RetainPtr<CPdfStream>(&window)}};
    return scan(tokens);
}
