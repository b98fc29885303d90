#include "xref/EntryCheck.h"

#include <algorithm>
#include <utility>

#include "limits/Limits.h"
#include "model/PdfElement.h"
#include "parse/PdfLexer.h"
#include "stream/FileWindow.h"

namespace {

constexpr size_t headerView = limits::entryCheckBytes;

bool headerMatches(const uint8_t* text, size_t length, int32_t number, int32_t generation) {
    TextSource source(text, static_cast<uint32_t>(std::min<size_t>(length, headerView)));
    PdfLexer<TextSource> lexer(source);
    CPdfElement tokens[3];
    for (CPdfElement& token : tokens) lexer.readToken(token);
    return tokens[0].is(ElementType::Integer) && tokens[0].integer() == number && tokens[1].is(ElementType::Integer) &&
           tokens[1].integer() == generation && tokens[2].isKeyword("obj");
}

}  // namespace

bool entriesPointAtTheirObjects(FILE* file, uint64_t fileSize, uint64_t base, const XRefEntryTable& entries) {
    struct Start {
        uint64_t position;
        int32_t number;
        int32_t generation;
    };
    std::vector<Start> starts;
    for (const auto [number, entry] : entries) {
        if (entry.type != XRefEntryType::Uncompressed) continue;
        if (entry.offset() < 0) return false;
        starts.push_back({entry.position(base), number, entry.gen});
    }
    std::sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) {
        return a.position != b.position ? a.position < b.position : a.number < b.number;
    });
    FileWindow window(file, fileSize, limits::scanBlockBytes);
    for (const Start& start : starts) {
        const uint8_t* text = nullptr;
        const size_t length = window.view(start.position, headerView, text);
        if (length == 0 || !headerMatches(text, length, start.number, start.generation)) return false;
    }
    return true;
}
