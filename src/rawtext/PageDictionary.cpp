#include "rawtext/PageDictionary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "model/PdfElement.h"
#include "rawtext/TextSearch.h"
#include "rawtext/TextTokens.h"
#include "stream/PdfStream.h"

namespace {

int32_t truncatedInteger(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

template <class Tokens>
void readRotateValue(Tokens& tokens, const CPdfElement& value, PageDictionaryLayout& layout) {
    layout.valueIsNumber = layout.valueIsInteger = layout.valueIsReference = false;
    layout.valueNumber = layout.referenceNumber = layout.referenceGeneration = 0;
    if (value.is(ElementType::Integer)) {
        int32_t generation = 0;
        if (completeReference(tokens, generation)) {
            layout.valueIsReference = true;
            layout.referenceNumber = value.integer();
            layout.referenceGeneration = generation;
        } else {
            layout.valueIsNumber = true;
            layout.valueIsInteger = true;
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

// `keysToRead` false: the text cannot hold the key (see below), and only where
// the dictionary opens is looked for.
template <class Tokens>
PageDictionaryLayout scan(Tokens& tokens, bool keysToRead = true) {
    PageDictionaryLayout layout;
    // The header: object number, generation and "obj"; then the page's dictionary.
    CPdfElement token;
    do tokens.next(token);
    while (!token.is(ElementType::EndOfFile) && !token.isKeyword("obj"));
    layout.headerEnd = tokens.where();
    tokens.next(token);
    if (!token.isKeyword("<<")) return layout;
    layout.found = true;
    layout.bodyStart = tokens.where();
    if (!keysToRead) return layout;
    for (;;) {
        tokens.next(token);
        if (token.isKeyword(">>")) layout.dictionaryEnd = tokens.where();
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
                layout.rotateValues.push_back({keyEnd, keyEnd});
                layout.dictionaryEnd = tokens.where();
                return layout;
            }
            readRotateValue(tokens, value, layout);
            layout.rotateValues.push_back({keyEnd, layout.valueEnd});
            continue;
        }
        if (value.isKeyword(">>")) {
            layout.dictionaryEnd = tokens.where();
            return layout;
        }
        skipValue(tokens, value);
    }
}

}  // namespace

// A key Rotate is written either as it is or with #xx escapes: a text without
// the word and without any "#" holds none, and most pages are read no further
// than their dictionary's start (the end of the dictionary then stays unknown).
PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    const bool mayHoldKey = searchBytes(text, text + length, "Rotate", 6) || std::memchr(text, '#', length);
    TextTokens tokens(text, length);
    return scan(tokens, mayHoldKey);
}

PageDictionaryLayout scanPageDictionary(CPdfStream& window) {
    BasicTextTokens<WindowSource> tokens{WindowSource{RetainPtr<CPdfStream>(&window)}};
    return scan(tokens);
}
