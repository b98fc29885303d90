#include "parse/ObjectEnd.h"

#include "parse/Keywords.h"
#include "parse/PdfLexer.h"
#include "stream/ByteSearch.h"
#include "stream/PatternSearch.h"

namespace {

constexpr const char* endstreamWord = keywords::streamEnd;
constexpr uint32_t endstreamLength = sizeof keywords::streamEnd - 1;

// Moves `source` past the first "endstream" from its position on; false when none follows.
bool passStreamData(TextSource& source) {
    const uint8_t* found =
        searchBytes(source.bytes() + source.where(), source.bytes() + source.size(), endstreamWord, endstreamLength);
    if (!found) return false;
    source.rewindTo(static_cast<uint32_t>(found - source.bytes()) + endstreamLength);
    return true;
}

bool passStreamData(FileRangeSource& source) {
    const uint64_t last =
        findPatternInRange(source.file(), source.where(), source.limit(), endstreamWord, endstreamLength);
    if (last == 0) return false;
    source.seekTo(last + 1);
    return true;
}

// Lexes token after token up to the object's closing keyword: true with `source` just past
// it. False when the source ends first; `inStreamData` then tells whether it ended
// in data that no "endstream" closed.
template <class Source>
bool lexToEndobj(PdfLexer<Source>& lexer, Source& source, bool& inStreamData) {
    LexedToken token;
    for (;;) {
        lexer.lexToken(token);
        if (token.is(LexedToken::Kind::EndOfFile)) return false;
        if (token.isKeyword(keywords::objectEnd)) return true;
        if (token.isKeyword(keywords::streamStart) && !passStreamData(source)) {
            inStreamData = true;
            return false;
        }
    }
}

std::string closersOf(const LeftOpen& open) {
    if (open.kind == LeftOpen::Kind::HexString) return ">";
    std::string closers(open.afterBackslash ? 1 : 0, '\n');
    closers.append(static_cast<size_t>(open.depth), ')');
    return closers;
}

}  // namespace

TextEnd findObjectEnd(const uint8_t* text, size_t length, size_t from, bool whole) {
    TextEnd result;
    if (from > length) return result;
    TextSource source(text, static_cast<uint32_t>(length));
    source.rewindTo(static_cast<uint32_t>(from));
    PdfLexer<TextSource> lexer(source);
    bool inStreamData = false;
    if (lexToEndobj(lexer, source, inStreamData)) {
        // The keyword is whole when a byte after it shows where it ends.
        if (source.where() < length || whole) result.end = source.where();
        return result;
    }
    if (inStreamData) {
        result.open = OpenAtEnd::StreamData;
        return result;
    }
    switch (lexer.leftOpen().kind) {
    case LeftOpen::Kind::Comment:
        result.open = OpenAtEnd::Comment;
        break;
    case LeftOpen::Kind::LiteralString:
    case LeftOpen::Kind::HexString:
        result.open = OpenAtEnd::String;
        result.closers = closersOf(lexer.leftOpen());
        break;
    case LeftOpen::Kind::Nothing:
        break;
    }
    return result;
}

uint64_t findObjectEndInFile(FileBlockCache& file, uint64_t start, uint64_t from, uint64_t limit) {
    if (start + from >= limit) return 0;
    FileRangeSource source(file, start + from, limit);
    PdfLexer<FileRangeSource> lexer(source);
    bool inStreamData = false;
    return lexToEndobj(lexer, source, inStreamData) ? source.where() - start : 0;
}
