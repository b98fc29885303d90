#include "output/DirectPages.h"

#include "model/PdfElement.h"
#include "parse/DictionarySkim.h"
#include "parse/Keywords.h"
#include "rawtext/DictionaryText.h"
#include "rawtext/TextTokens.h"

namespace {

struct Splice {
    uint32_t from;
    uint32_t to;
    std::string text;
};

// Where the value of the node's /Kids starts (just after its key); 0 without one.
uint32_t kidsValueStart(const std::vector<uint8_t>& text) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    const uint32_t body = dictionaryAfterHeader(text.data(), length);
    if (body == 0) return 0;
    DictionaryText entries(text.data(), length, body);
    while (entries.next()) {
        if (entries.keyIs("Kids")) return entries.keyEnd();
    }
    return 0;
}

// The byte after the white space from `at` on.
uint32_t skipSpace(const std::vector<uint8_t>& text, uint32_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t')) ++at;
    return at;
}

}  // namespace

bool moveKidsOut(std::vector<uint8_t>& nodeText, const std::vector<MovedPage>& moved,
                 std::vector<std::string>& kidTexts) {
    const uint32_t kidsStart = kidsValueStart(nodeText);
    if (kidsStart == 0 || moved.empty()) return false;
    TextTokens tokens(nodeText.data(), static_cast<uint32_t>(nodeText.size()));
    tokens.rewindTo(kidsStart);
    LexedToken token;
    tokens.next(token);
    if (!token.isKeyword("[")) return false;
    std::vector<Splice> splices;
    size_t next = 0;
    for (int32_t index = 0; next < moved.size(); ++index) {
        const uint32_t before = tokens.where();
        tokens.next(token);
        if (token.is(LexedToken::Kind::EndOfFile) || token.isKeyword("]")) return false;
        const bool dictionary = token.isKeyword("<<");
        if (!skipValue(tokens, token)) return false;
        if (index != moved[next].kidIndex) continue;
        if (!dictionary) return false;
        const uint32_t start = skipSpace(nodeText, before);
        splices.push_back({start, tokens.where(), std::to_string(moved[next].number) + " 0 R"});
        kidTexts.emplace_back(nodeText.begin() + start, nodeText.begin() + tokens.where());
        ++next;
    }
    std::vector<uint8_t> edited;
    uint32_t kept = 0;
    for (const Splice& splice : splices) {
        edited.insert(edited.end(), nodeText.begin() + kept, nodeText.begin() + splice.from);
        edited.insert(edited.end(), splice.text.begin(), splice.text.end());
        kept = splice.to;
    }
    edited.insert(edited.end(), nodeText.begin() + kept, nodeText.end());
    nodeText = std::move(edited);
    return true;
}

bool correctPageTreeType(std::vector<uint8_t>& text, bool isNode) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    const uint32_t body = dictionaryAfterHeader(text.data(), length);
    if (body == 0) return false;
    const std::string type = isNode ? " /Pages" : " /Page";
    DictionaryText entries(text.data(), length, body);
    while (entries.next()) {
        if (!entries.keyIs("Type")) continue;
        text.erase(text.begin() + entries.keyEnd(), text.begin() + entries.valueEnd());
        text.insert(text.begin() + entries.keyEnd(), type.begin(), type.end());
        return true;
    }
    const std::string entry = " /Type" + type;
    text.insert(text.begin() + body, entry.begin(), entry.end());
    return true;
}

std::string movedPageObject(const MovedPage& page, int32_t parentGeneration, const std::string& dictionary) {
    const auto* text = reinterpret_cast<const uint8_t*>(dictionary.data());
    const uint32_t length = static_cast<uint32_t>(dictionary.size());
    DictionaryText entries(text, length, 2);
    bool namesParent = false;
    while (entries.next()) namesParent = namesParent || entries.keyIs("Parent");
    std::string body = dictionary;
    if (!namesParent)
        body.insert(2, " /Parent " + std::to_string(page.parent) + " " + std::to_string(parentGeneration) + " R");
    return std::to_string(page.number) + " 0 obj\n" + body + keywords::writtenObjectEnd;
}
