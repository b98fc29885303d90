#include "rawtext/StreamLength.h"

#include <algorithm>
#include <string>
#include <vector>

#include "limits/Limits.h"
#include "model/PdfElement.h"
#include "model/PdfException.h"
#include "parse/DictionarySkim.h"
#include "rawtext/DictionaryText.h"
#include "parse/PdfLexer.h"
#include "stream/FileBlockCache.h"
#include "rawtext/RawObject.h"
#include "stream/PatternSearch.h"
#include "xref/PdfXRef.h"

namespace {

constexpr uint32_t headReach = limits::streamHeadReach;
constexpr uint32_t endstreamReach = limits::endstreamReach;

// An object's text, in memory or in the input: its start in memory always, the
// rest read where needed.
class ObjectText {
public:
    ObjectText(const RawObject& object, FileBlockCache& input) : object(object), input(input) {
        if (!object.inFile) return;
        head.resize(static_cast<size_t>(std::min<uint64_t>(headReach, length())));
        head.resize(readAt(0, head.data(), head.size()));
    }

    uint64_t length() const { return object.inFile ? object.fileEnd - object.fileStart : object.length(); }
    const uint8_t* start() const { return object.inFile ? head.data() : object.bytes.data(); }
    uint32_t startLength() const { return static_cast<uint32_t>(object.inFile ? head.size() : object.bytes.size()); }

    // Whether the first token from `at` on is "endstream".
    bool endstreamAt(uint64_t at) {
        if (at >= length()) return false;
        std::vector<uint8_t> near;
        const uint8_t* text = object.bytes.data() + (object.inFile ? 0 : at);
        uint32_t reach = static_cast<uint32_t>(std::min<uint64_t>(length() - at, endstreamReach));
        if (object.inFile) {
            near.resize(reach);
            reach = static_cast<uint32_t>(readAt(at, near.data(), reach));
            text = near.data();
        }
        TextSource source(text, reach);
        PdfLexer<TextSource> lexer(source);
        CPdfElement token;
        lexer.readToken(token);
        return token.isKeyword("endstream");
    }

    // Where the first "endstream" from `from` on starts.
    bool findEndstream(uint64_t from, uint64_t& at) {
        if (!object.inFile) {
            const uint8_t* found =
                searchBytes(object.bytes.data() + from, object.bytes.data() + length(), "endstream", 9);
            if (found) at = static_cast<uint64_t>(found - object.bytes.data());
            return found != nullptr;
        }
        const uint64_t last = findPatternInRange(input, object.fileStart + from, object.fileEnd, "endstream", 9);
        if (last == 0) return false;
        at = last - 8 - object.fileStart;
        return true;
    }

    int byteAt(uint64_t at) {
        if (!object.inFile) return at < length() ? object.bytes[at] : -1;
        uint8_t byte = 0;
        return readAt(at, &byte, 1) == 1 ? byte : -1;
    }

private:
    size_t readAt(uint64_t at, uint8_t* into, size_t count) {
        return input.readFully(object.fileStart + at, into, count);
    }

    const RawObject& object;
    FileBlockCache& input;
    std::vector<uint8_t> head;
};

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
    length = value.is(ElementType::Integer) ? value.wideInteger() : -1;
    return value.is(ElementType::Integer);
}

// Just after the line end that follows "stream" (as the parser reads it), or 0
// when no "stream" follows the dictionary or its line runs past `length`.
uint32_t streamDataStart(const uint8_t* text, uint32_t length, uint32_t dictionaryEnd) {
    TextSource source(text, length);
    source.rewindTo(dictionaryEnd);
    PdfLexer<TextSource> lexer(source);
    CPdfElement token;
    lexer.readToken(token);
    if (!token.isKeyword("stream")) return 0;
    lexer.skipToLineEnd();
    return source.where() < length ? source.where() : 0;
}

// The data runs to the first "endstream"; the line end before it is not data.
bool actualDataEnd(ObjectText& text, uint64_t dataStart, uint64_t& dataEnd) {
    if (!text.findEndstream(dataStart, dataEnd)) return false;
    if (dataEnd > dataStart && text.byteAt(dataEnd - 1) == '\n') --dataEnd;
    if (dataEnd > dataStart && text.byteAt(dataEnd - 1) == '\r') --dataEnd;
    return true;
}

// Where the first Length entry's key ends and its value ends.
bool findLengthEntry(const uint8_t* text, uint32_t length, uint32_t bodyStart, StreamLengthEdit& edit) {
    DictionaryText entries(text, length, bodyStart);
    while (entries.next()) {
        if (!entries.keyIs("Length")) continue;
        edit.keyEnd = entries.keyEnd();
        edit.valueEnd = entries.valueEnd();
        return true;
    }
    return false;
}

}  // namespace

// The dictionary is skimmed, which makes no tokens: every object of a file passes
// through here, and few are streams with a wrong Length.
bool findStreamLengthEdit(const RawObject& object, CPdfXRef& xref, StreamLengthEdit& edit) {
    ObjectText text(object, *xref.blockCache());
    const uint8_t* start = text.start();
    const uint32_t startLength = text.startLength();
    const uint32_t bodyStart = dictionaryAfterHeader(start, startLength);
    if (bodyStart == 0 || !searchBytes(start + bodyStart, start + startLength, "stream", 6)) return false;
    const DictionarySkim dictionary = skimDictionary(start, startLength, bodyStart);
    if (!dictionary.closed || dictionary.lengthKind == DictionarySkim::LengthKind::None) return false;
    const uint32_t dataStart = streamDataStart(start, startLength, dictionary.end);
    if (dataStart == 0) return false;
    int64_t length = 0;
    if (lengthValue(dictionary, xref, length) && length >= 0 &&
        text.endstreamAt(uint64_t{dataStart} + static_cast<uint64_t>(length)))
        return false;
    uint64_t dataEnd = 0;
    if (!actualDataEnd(text, dataStart, dataEnd) || !findLengthEntry(start, startLength, bodyStart, edit)) return false;
    edit.dataLength = dataEnd - dataStart;
    return true;
}

void applyStreamLengthEdit(RawObject& object, const StreamLengthEdit& edit) {
    const std::vector<uint8_t>& text = object.bytes;
    std::vector<uint8_t> corrected(text.begin(), text.begin() + edit.keyEnd);
    const std::string number = std::to_string(edit.dataLength);
    corrected.push_back(' ');
    corrected.insert(corrected.end(), number.begin(), number.end());
    corrected.insert(corrected.end(), text.begin() + edit.valueEnd, text.end());
    object.bytes = std::move(corrected);
}
