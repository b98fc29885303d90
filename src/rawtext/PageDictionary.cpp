#include "rawtext/PageDictionary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "parse/CharacterClass.h"
#include "parse/DictionaryReader.h"
#include "parse/PlainStreamHead.h"
#include "stream/PatternSearch.h"
#include "stream/PdfStream.h"

namespace {

int32_t truncatedInteger(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

template <class Source>
void readRotateValue(const DictionaryReader<Source>& entries, PageDictionaryLayout& layout) {
    using ValueKind = typename DictionaryReader<Source>::ValueKind;
    layout.valueIsNumber = layout.valueIsInteger = layout.valueIsReference = false;
    layout.valueNumber = layout.referenceNumber = layout.referenceGeneration = 0;
    switch (entries.valueKind()) {
    case ValueKind::Reference:
        layout.valueIsReference = true;
        layout.referenceNumber = entries.integer();
        layout.referenceGeneration = entries.generation();
        break;
    case ValueKind::Integer:
        layout.valueIsNumber = true;
        layout.valueIsInteger = true;
        layout.valueNumber = entries.integer();
        break;
    case ValueKind::Real:
        layout.valueIsNumber = true;
        layout.valueNumber = truncatedInteger(entries.real());
        break;
    default:
        break;
    }
    layout.valueEnd = entries.valueEnd();
}

// The header as most writers lay it out and "<<" after white space, read without
// the lexer (which reads them alike); false for anything else.
bool plainOpening(const uint8_t* text, uint32_t length, PageDictionaryLayout& layout) {
    const auto header = matchPlainObjectHeader(text, length);
    if (!header) return false;
    uint32_t at = header->valueStart;
    while (at < length && pdfchar::isWhitespace(text[at])) ++at;
    if (length - at < 2 || text[at] != '<' || text[at + 1] != '<') return false;
    layout.headerEnd = header->valueStart;
    layout.bodyStart = at + 2;
    return true;
}

// Whether the text opens a dictionary after its header; where both end.
template <class Source>
bool opening(Source& source, PageDictionaryLayout& layout) {
    if constexpr (std::is_same_v<Source, TextSource>) {
        if (plainOpening(source.bytes(), source.size(), layout)) return true;
    }
    PdfLexer<Source> lexer(source);
    LexedToken token;
    do lexer.lexToken(token);
    while (!token.is(LexedToken::Kind::EndOfFile) && !token.isKeyword("obj"));
    layout.headerEnd = source.where();
    lexer.lexToken(token);
    if (!token.isKeyword("<<")) return false;
    layout.bodyStart = source.where();
    return true;
}

// Reads the header (object number, generation and "obj"), then the page's
// dictionary. `keysToRead` false: the text cannot hold the key (see below), and
// only where the dictionary opens is looked for.
template <class Source>
PageDictionaryLayout scan(Source source, bool keysToRead = true) {
    PageDictionaryLayout layout;
    if (!opening(source, layout)) return layout;
    layout.found = true;
    if (!keysToRead) return layout;
    DictionaryReader<Source> entries(std::move(source), layout.bodyStart);
    while (entries.next()) {
        if (!entries.keyIs("Rotate")) continue;
        layout.hasRotate = true;
        layout.keyEnd = entries.keyEnd();
        // A key without a value leaves what an earlier Rotate said of its value.
        if (entries.valueKind() == DictionaryReader<Source>::ValueKind::Missing) layout.valueEnd = layout.keyEnd;
        else readRotateValue(entries, layout);
        layout.rotateValues.push_back({layout.keyEnd, layout.valueEnd});
    }
    if (entries.closed()) layout.dictionaryEnd = entries.end();
    return layout;
}

}  // namespace

// A key Rotate is written either as it is or with #xx escapes: a text without
// the word and without any "#" holds none, and most pages are read no further
// than their dictionary's start (the end of the dictionary then stays unknown).
PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    const bool mayHoldKey = searchBytes(text, text + length, "Rotate", 6) || std::memchr(text, '#', length);
    return scan(TextSource(text, length), mayHoldKey);
}

PageDictionaryLayout scanPageDictionary(CPdfStream& window) {
    return scan(WindowSource{RetainPtr<CPdfStream>(&window)});
}
