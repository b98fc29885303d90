#include "rawtext/PageDictionary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "model/PdfElement.h"
#include "rawtext/TextTokens.h"
#include "stream/PdfStream.h"

namespace {

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

template <class Tokens>
PageDictionaryLayout scan(Tokens& tokens) {
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
                return layout;
            }
            readRotateValue(tokens, value, layout);
            return layout;
        }
        if (value.isKeyword(">>")) {
            layout.dictionaryEnd = tokens.where();
            return layout;
        }
        skipValue(tokens, value);
    }
}

}  // namespace

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    TextTokens tokens(text, length);
    return scan(tokens);
}

PageDictionaryLayout scanPageDictionary(CPdfStream& window) {
    BasicTextTokens<WindowSource> tokens{WindowSource{RetainPtr<CPdfStream>(&window)}};
    return scan(tokens);
}
