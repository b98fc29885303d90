#include "xref/ObjectStreamHeader.h"

#include <algorithm>
#include <climits>

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
// here, `at` then past it; anything else is left where it stands, for the lexer.
bool readDigitRun(const uint8_t* text, uint32_t length, uint32_t& at, int32_t& value) {
    const uint8_t* const end = text + length;
    const uint8_t* start = text + at;
    while (start != end && pdfchar::isWhitespace(*start)) ++start;
    const uint8_t* digit = start;
    uint64_t magnitude = 0;
    for (; digit != end; ++digit) {
        const unsigned decimal = static_cast<unsigned>(*digit) - '0';
        if (decimal > 9) break;
        // Past 2^31-1 the value stays saturated; the loop only counts the digits on.
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + decimal;
    }
    if (digit == start || (digit != end && !pdfchar::isWhitespace(*digit))) return false;
    at = static_cast<uint32_t>(digit - text);
    value = static_cast<int32_t>(std::min<uint64_t>(magnitude, INT32_MAX));
    return true;
}

}  // namespace

bool readPlainObjectStreamHeader(const uint8_t* text, uint32_t length, int32_t count, std::vector<int32_t>& numbers,
                                 std::vector<int32_t>& offsets) {
    TextSource source(text, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    const auto nextInteger = [&](std::vector<int32_t>& into) {
        uint32_t at = source.where();
        int32_t value = 0;
        if (readDigitRun(text, length, at, value)) {
            source.rewindTo(at);
            into.push_back(value);
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
