#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "pages/TextDirection.h"

// How a font's strings count glyphs: a byte a glyph (simple fonts), two bytes a
// glyph (Type0 fonts with a horizontal CMap, Identity-H above all), or nothing (a
// vertical writing mode, whose baseline is no line of text across the page).
enum class FontKind : uint8_t { OneByte, TwoByte, Vertical };

// What a content stream names: its fonts and the forms it draws, from the
// resources of the page or form it belongs to.
class ContentResources {
public:
    virtual ~ContentResources() = default;
    virtual FontKind fontKind(std::string_view name) = 0;
    // Adds to `counts` the glyphs of the form XObject `name`, drawn under `ctm`
    // (nothing for an image, or for a name that is no form).
    virtual void drawForm(std::string_view name, const LinearMap& ctm, GlyphCounts& counts) = 0;
};

// What one page may still spend on reading its content; `spent` once it ran out.
struct ContentBudget {
    uint64_t bytes = 0;
    uint64_t operators = 0;
    bool spent = false;

    bool takeOperator() {
        if (operators == 0) spent = true;
        else --operators;
        return !spent;
    }
};

// Interprets decoded content (a page's streams, or a form's) far enough to count
// the glyphs each text-showing operator shows (Tj, TJ, ' and ") by the direction
// of their baseline: the transformation (q, Q, cm), the text matrix (BT, Tm; Td,
// TD, T* and TL only move it), horizontal scaling (Tz) and the font's size and kind
// (Tf). Text rendered invisibly counts like any other. Inline images are passed
// over. Reading stops when the budget runs out or the graphics states saved run
// too deep; the counts are then worth nothing (`budget.spent`).
class ContentTextCounter {
public:
    // `ctm` is the transformation the content starts under.
    ContentTextCounter(ContentResources& resources, ContentBudget& budget, const LinearMap& ctm);

    void read(const uint8_t* bytes, uint32_t length);
    const GlyphCounts& counts() const { return glyphs; }

private:
    struct State {
        LinearMap ctm;
        double horizontalScale = 1;  // Tz / 100
        double fontSize = 1;
        FontKind font = FontKind::OneByte;
    };

    void runOperator(std::string_view op);
    void showText();
    void setFont();
    double number(size_t fromEnd) const;

    ContentResources& resources;
    ContentBudget& budget;
    GlyphCounts glyphs;
    State state;
    std::vector<State> saved;
    LinearMap textMatrix;
    std::vector<double> numbers;  // the last few numeric operands
    std::string_view lastName;    // the last name operand, valid until the next token
    std::vector<char> nameHeld;   // its bytes
    uint64_t pendingGlyphs = 0;   // shown by the strings among the operands
};
