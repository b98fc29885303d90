#include "xref/ObjectStreamHeader.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "model/PdfElement.h"
#include "parse/CharacterClass.h"
#include "parse/PdfLexer.h"
#include "parse/PdfParser.h"

bool readObjectStreamHeaderPairs(CPdfParser&& header, int32_t count, std::vector<int32_t>& numbers,
                                 std::vector<int32_t>& offsets) {
    for (int32_t j = 0; j < count; ++j) {
        CPdfElement number, offset;
        header.parseObject(number);
        header.parseObject(offset);
        if (!number.is(ElementType::Integer) || !offset.is(ElementType::Integer)) return false;
        numbers.push_back(number.integer());
        offsets.push_back(offset.integer());
    }
    return true;
}

namespace {

// A run of digits after white space, closed by white space or the text's end, is
// an integer token as the lexer reads it (saturated past 2^31-1) and is taken
// here; anything else is left where it stands, for the lexer.
std::optional<int32_t> readDigitRun(TextSource& source, const uint8_t* text, uint32_t length) {
    uint32_t start = source.where();
    while (start < length && pdfchar::isWhitespace(text[start])) ++start;
    uint32_t end = start;
    int64_t magnitude = 0;
    for (; end < length && pdfchar::isDigit(text[end]); ++end)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[end] - '0'), int64_t{INT32_MAX} + 1);
    if (end == start || (end < length && !pdfchar::isWhitespace(text[end]))) return std::nullopt;
    source.rewindTo(end);
    return static_cast<int32_t>(std::min<int64_t>(magnitude, INT32_MAX));
}

}  // namespace

bool readPlainObjectStreamHeader(const uint8_t* text, uint32_t length, int32_t count, std::vector<int32_t>& numbers,
                                 std::vector<int32_t>& offsets) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    const auto nextInteger = [&](std::vector<int32_t>& into) {
        if (const std::optional<int32_t> digits = readDigitRun(source, text, length)) {
            into.push_back(*digits);
            return true;
        }
        lexer.lexToken(token);
        if (token.is(LexedToken::Kind::Integer)) into.push_back(token.integer);
        return token.is(LexedToken::Kind::Integer);
    };
    for (int32_t j = 0; j < count; ++j) {
        if (!nextInteger(numbers) || !nextInteger(offsets)) return false;
    }
    // An "R" after the last two integers, or after the last and one more, would
    // make a reference of them.
    lexer.lexToken(token);
    if (!token.is(LexedToken::Kind::Integer)) return !token.isKeyword("R");
    lexer.lexToken(token);
    return !token.isKeyword("R");
}
