#include "rawtext/PageDictionary.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "model/PdfElement.h"
#include "parse/DictionaryText.h"

namespace {

int32_t truncatedInteger(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

void readRotateValue(const DictionaryText& entry, PageDictionaryLayout& layout) {
    switch (entry.valueKind()) {
    case DictionaryText::ValueKind::Integer:
        layout.valueIsNumber = true;
        layout.valueNumber = entry.integer();
        break;
    case DictionaryText::ValueKind::Real:
        layout.valueIsNumber = true;
        layout.valueNumber = truncatedInteger(entry.real());
        break;
    case DictionaryText::ValueKind::Reference:
        layout.valueIsReference = true;
        layout.referenceNumber = entry.integer();
        layout.referenceGeneration = entry.generation();
        break;
    default:
        break;
    }
}

}  // namespace

PageDictionaryLayout scanPageDictionary(const uint8_t* text, uint32_t length) {
    PageDictionaryLayout layout;
    const uint32_t bodyStart = dictionaryAfterHeader(text, length);
    if (bodyStart == 0) return layout;
    layout.found = true;
    layout.bodyStart = bodyStart;
    DictionaryText entries(text, length, bodyStart);
    while (entries.next()) {
        if (!entries.keyIs("Rotate")) continue;
        layout.hasRotate = true;
        layout.keyEnd = entries.keyEnd();
        layout.valueEnd = entries.valueEnd();
        readRotateValue(entries, layout);
        return layout;
    }
    return layout;
}
