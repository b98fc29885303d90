// Counting the glyphs of content streams by the direction of their baseline.
#include "pages/ContentText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "limits/Limits.h"
#include "parse/PdfLexer.h"

namespace {

// No operator this reader interprets takes more numbers than a matrix.
constexpr size_t keptNumbers = 6;

bool isWhite(int c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0; }

// An inline image's data runs from after "ID" and one white-space byte to "EI"
// between white space (or the end of the content): its bytes are no tokens.
void passOverInlineImage(TextSource& source) {
    const uint8_t* bytes = source.bytes();
    const uint32_t length = source.size();
    uint32_t at = source.where() + 1;
    for (; at + 1 < length; ++at) {
        if (bytes[at] != 'E' || bytes[at + 1] != 'I') continue;
        const bool before = at > 0 && isWhite(bytes[at - 1]);
        const bool after = at + 2 >= length || isWhite(bytes[at + 2]);
        if (before && after) break;
    }
    source.rewindTo(std::min(at + 2, length));
}

uint64_t glyphsIn(std::string_view bytes, FontKind font) {
    switch (font) {
    case FontKind::OneByte:
        return bytes.size();
    case FontKind::TwoByte:
        return bytes.size() / 2;
    default:
        return 0;
    }
}

}  // namespace

ContentTextCounter::ContentTextCounter(ContentResources& resources, ContentBudget& budget, const LinearMap& ctm)
    : resources(resources), budget(budget) {
    state.ctm = ctm;
}

void ContentTextCounter::read(const uint8_t* bytes, uint32_t length) {
    TextSource source(bytes, length);
    PdfLexer<TextSource> lexer(source);
    LexedToken token;
    int arrayDepth = 0;
    while (!budget.spent) {
        lexer.lexToken(token);
        switch (token.kind) {
        case LexedToken::Kind::EndOfFile:
            return;
        case LexedToken::Kind::Integer:
        case LexedToken::Kind::Real:
            if (numbers.size() == keptNumbers) numbers.erase(numbers.begin());
            numbers.push_back(token.is(LexedToken::Kind::Integer) ? token.integer : token.real());
            break;
        case LexedToken::Kind::String:
            pendingGlyphs += glyphsIn(token.text, state.font);
            break;
        case LexedToken::Kind::Name:
            nameHeld.assign(token.text.begin(), token.text.end());
            lastName = std::string_view(nameHeld.data(), nameHeld.size());
            break;
        case LexedToken::Kind::Keyword:
            if (token.isKeyword("[")) ++arrayDepth;
            else if (token.isKeyword("]")) arrayDepth = std::max(arrayDepth - 1, 0);
            else if (token.opensContainer() || token.closesContainer()) break;  // a dictionary of properties
            else if (arrayDepth == 0 && budget.takeOperator()) {
                if (token.isKeyword("BI")) {
                    // The image's dictionary is tokens up to "ID"; its data is not.
                    while (!token.is(LexedToken::Kind::EndOfFile) && !token.isKeyword("ID")) lexer.lexToken(token);
                    if (token.isKeyword("ID")) passOverInlineImage(source);
                } else {
                    runOperator(token.text);
                }
                numbers.clear();
                pendingGlyphs = 0;
                lastName = {};
            }
            break;
        default:
            break;
        }
    }
}

double ContentTextCounter::number(size_t fromEnd) const {
    if (fromEnd >= numbers.size()) return 0;
    const double value = numbers[numbers.size() - 1 - fromEnd];
    return std::isfinite(value) ? value : 0;
}

void ContentTextCounter::runOperator(std::string_view op) {
    if (op == "Tj" || op == "TJ" || op == "'" || op == "\"") {
        showText();
    } else if (op == "q") {
        if (saved.size() >= limits::maximumSavedStates) budget.spent = true;
        else saved.push_back(state);
    } else if (op == "Q") {
        if (!saved.empty()) {
            state = saved.back();
            saved.pop_back();
        }
    } else if (op == "cm" && numbers.size() >= 6) {
        state.ctm = LinearMap{number(5), number(4), number(3), number(2)}.then(state.ctm);
    } else if (op == "BT") {
        textMatrix = LinearMap{};
    } else if (op == "Tm" && numbers.size() >= 6) {
        textMatrix = LinearMap{number(5), number(4), number(3), number(2)};
    } else if (op == "Tz" && !numbers.empty()) {
        state.horizontalScale = number(0) / 100;
    } else if (op == "Tf") {
        setFont();
    } else if (op == "Do" && !lastName.empty()) {
        resources.drawForm(lastName, state.ctm, glyphs);
    }
    // Td, TD, T* and TL move the text position only; ET ends what BT began.
}

// A glyph's baseline is the x axis of text space, scaled by the font size and the
// horizontal scaling (either may be negative, which turns it around), through the
// text matrix and the transformation.
void ContentTextCounter::showText() {
    if (pendingGlyphs == 0) return;
    const double scale = state.fontSize * state.horizontalScale;
    const LinearMap rendering = textMatrix.then(state.ctm);
    glyphs.addAlong(scale * rendering.a, scale * rendering.b, pendingGlyphs);
}

void ContentTextCounter::setFont() {
    if (!numbers.empty()) state.fontSize = number(0);
    if (!lastName.empty()) state.font = resources.fontKind(lastName);
}
