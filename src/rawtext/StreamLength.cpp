#include "rawtext/StreamLength.h"

#include <string>

#include "model/PdfElement.h"
#include "model/PdfException.h"
#include "parse/DictionarySkim.h"
#include "parse/DictionaryText.h"
#include "parse/PdfLexer.h"
#include "rawtext/RawObject.h"
#include "rawtext/TextSearch.h"
#include "xref/PdfXRef.h"

namespace {

// What the Length says: a direct integer, or the integer that it refers to.
bool lengthValue(const DictionarySkim& dictionary, CPdfXRef& xref, int64_t& length) {
    if (dictionary.lengthKind == DictionarySkim::LengthKind::Integer) {
        length = dictionary.length;
        return true;
    }
    if (dictionary.lengthKind != DictionarySkim::LengthKind::Reference) return false;
    CPdfElement value;
    try {
        xref.fetchObject(dictionary.lengthNumber, dictionary.lengthGeneration, value);
    } catch (const CPdfException&) {
        return false;  // a reference out of range: no Length to go by
    }
    length = value.is(ElementType::Integer) ? value.integer() : -1;
    return value.is(ElementType::Integer);
}

// Where the first Length entry's key ends and its value ends.
bool findLengthEntry(const std::vector<uint8_t>& text, uint32_t bodyStart, uint32_t& keyEnd, uint32_t& valueEnd) {
    DictionaryText entries(text.data(), static_cast<uint32_t>(text.size()), bodyStart);
    while (entries.next()) {
        if (!entries.keyIs("Length")) continue;
        keyEnd = entries.keyEnd();
        valueEnd = entries.valueEnd();
        return true;
    }
    return false;
}

// The position of the first token from `at` on, and whether it is "endstream".
bool endstreamAt(const std::vector<uint8_t>& text, uint64_t at) {
    if (at > text.size()) return false;
    TextSource source(text.data(), static_cast<uint32_t>(text.size()));
    source.rewindTo(static_cast<uint32_t>(at));
    PdfLexer<TextSource> lexer(source);
    CPdfElement token;
    lexer.readToken(token);
    return token.isKeyword("endstream");
}

// Just after the line end that follows "stream" (as the parser reads it), or 0
// when no "stream" follows the dictionary.
uint32_t streamDataStart(const std::vector<uint8_t>& text, uint32_t dictionaryEnd) {
    TextSource source(text.data(), static_cast<uint32_t>(text.size()));
    source.rewindTo(dictionaryEnd);
    PdfLexer<TextSource> lexer(source);
    CPdfElement token;
    lexer.readToken(token);
    if (!token.isKeyword("stream")) return 0;
    lexer.skipToLineEnd();
    return source.where();
}

// The data runs to the first "endstream"; the line end before it is not data.
bool actualDataEnd(const std::vector<uint8_t>& text, uint32_t dataStart, uint32_t& dataEnd) {
    const uint8_t* found = searchBytes(text.data() + dataStart, text.data() + text.size(), "endstream", 9);
    if (!found) return false;
    dataEnd = static_cast<uint32_t>(found - text.data());
    if (dataEnd > dataStart && text[dataEnd - 1] == '\n') --dataEnd;
    if (dataEnd > dataStart && text[dataEnd - 1] == '\r') --dataEnd;
    return true;
}

}  // namespace

// The dictionary is skimmed, which makes no tokens: every object of a file passes
// through here, and few are streams with a wrong Length.
bool correctStreamLength(RawObject& object, CPdfXRef& xref) {
    const std::vector<uint8_t>& text = object.bytes;
    const uint32_t bodyStart = dictionaryAfterHeader(text.data(), object.length());
    if (bodyStart == 0 || !searchBytes(text.data() + bodyStart, text.data() + text.size(), "stream", 6)) return false;
    const DictionarySkim dictionary = skimDictionary(text.data(), object.length(), bodyStart);
    if (!dictionary.closed || dictionary.lengthKind == DictionarySkim::LengthKind::None) return false;
    const uint32_t dataStart = streamDataStart(text, dictionary.end);
    if (dataStart == 0) return false;
    int64_t length = 0;
    if (lengthValue(dictionary, xref, length) && length >= 0 && endstreamAt(text, uint64_t{dataStart} + static_cast<uint64_t>(length)))
        return false;
    uint32_t dataEnd = 0, keyEnd = 0, valueEnd = 0;
    if (!actualDataEnd(text, dataStart, dataEnd) || !findLengthEntry(text, bodyStart, keyEnd, valueEnd)) return false;

    std::vector<uint8_t> corrected(text.begin(), text.begin() + keyEnd);
    const std::string number = std::to_string(dataEnd - dataStart);
    corrected.push_back(' ');
    corrected.insert(corrected.end(), number.begin(), number.end());
    corrected.insert(corrected.end(), text.begin() + valueEnd, text.end());
    object.bytes = std::move(corrected);
    return true;
}
