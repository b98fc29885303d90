#include "rawtext/StreamLength.h"

#include <string>

#include "model/PdfElement.h"
#include "model/PdfException.h"
#include "parse/DictionaryText.h"
#include "parse/PdfLexer.h"
#include "rawtext/RawObject.h"
#include "rawtext/TextSearch.h"
#include "xref/PdfXRef.h"

namespace {

// Where the Length entry lies in the text and what it says.
struct LengthEntry {
    bool found = false;
    uint32_t keyEnd = 0;
    uint32_t valueEnd = 0;
    bool known = false;  // the value, or the object it refers to, is an integer
    int64_t value = 0;
};

void readLength(const DictionaryText& entries, CPdfXRef& xref, LengthEntry& length) {
    length.found = true;
    length.keyEnd = entries.keyEnd();
    length.valueEnd = entries.valueEnd();
    if (entries.valueKind() == DictionaryText::ValueKind::Integer) {
        length.known = true;
        length.value = entries.integer();
    } else if (entries.valueKind() == DictionaryText::ValueKind::Reference) {
        CPdfElement value;
        try {
            xref.fetchObject(entries.integer(), entries.generation(), value);
        } catch (const CPdfException&) {
            return;  // a reference out of range: no Length to go by
        }
        length.known = value.is(ElementType::Integer);
        length.value = value.integer();
    }
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

bool correctStreamLength(RawObject& object, CPdfXRef& xref) {
    const std::vector<uint8_t>& text = object.bytes;
    const uint32_t bodyStart = dictionaryAfterHeader(text.data(), object.length());
    if (bodyStart == 0) return false;
    DictionaryText entries(text.data(), object.length(), bodyStart);
    LengthEntry length;
    while (entries.next())
        if (!length.found && entries.keyIs("Length")) readLength(entries, xref, length);
    if (!entries.closed() || !length.found) return false;
    const uint32_t dataStart = streamDataStart(text, entries.end());
    if (dataStart == 0) return false;
    if (length.known && length.value >= 0 && endstreamAt(text, uint64_t{dataStart} + static_cast<uint64_t>(length.value)))
        return false;
    uint32_t dataEnd = 0;
    if (!actualDataEnd(text, dataStart, dataEnd)) return false;

    std::vector<uint8_t> corrected(text.begin(), text.begin() + length.keyEnd);
    const std::string number = std::to_string(dataEnd - dataStart);
    corrected.push_back(' ');
    corrected.insert(corrected.end(), number.begin(), number.end());
    corrected.insert(corrected.end(), text.begin() + length.valueEnd, text.end());
    object.bytes = std::move(corrected);
    return true;
}
