#include "output/PageRevisions.h"

#include <algorithm>
#include <cstring>

#include "limits/Messages.h"
#include "model/PdfException.h"
#include "output/OutputCheck.h"
#include "output/PageEditor.h"
#include "pages/ShownRotation.h"
#include "parse/CharacterClass.h"
#include "parse/Keywords.h"
#include "parse/PlainStreamHead.h"
#include "rawtext/RawObject.h"
#include "rawtext/TextTokens.h"
#include "xref/PdfXRef.h"

namespace {

// The edit changes what the page shows, as it shows it now (own, inherited or none).
bool editChangesRotation(const PageEdit& edit, const PageRecord& page, ShownRotation& shown) {
    return edit.editable && shown.ofPage(page) != edit.rotation;
}

// Where the page's dictionary ends once the edit has been made, when the scan
// found its end (it did not stop at an own /Rotate) or the text knows it.
uint32_t editedDictionaryEnd(const RawObject& object, const PageEdit& edit) {
    const uint32_t end = edit.layout.dictionaryEnd != 0 ? edit.layout.dictionaryEnd : aloneDictionaryEnd(object);
    if (end == 0 || edit.spans.empty() || end < edit.spans.back().valueEnd) return 0;
    return static_cast<uint32_t>(end + edit.growth());
}

// Only white space after the dictionary: then it is the text's one value, and the
// text need not be read again token by token.
bool onlyWhitespaceFrom(std::string_view body, size_t from) {
    for (size_t i = from; i < body.size(); ++i)
        if (!pdfchar::isWhitespace(static_cast<uint8_t>(body[i]))) return false;
    return true;
}

int32_t numberOf(const RevisedObject& object) { return object.number; }
int32_t numberOf(int32_t number) { return number; }

// Just after the "obj" of the text's header, as the scan of a page finds it.
uint32_t headerEndOf(const std::vector<uint8_t>& text) {
    if (const auto header = matchPlainObjectHeader(text.data(), static_cast<uint32_t>(text.size())))
        return header->valueStart;
    TextTokens tokens(text.data(), static_cast<uint32_t>(text.size()));
    LexedToken token;
    for (int i = 0; i < 3; ++i) tokens.next(token);
    return tokens.where();
}

// With "-repair": an object that the parser read with a container closed at its
// end, and that no page edit rewrites, goes into the update closed, so that the
// output is read as the job read the input. One too large to hold cannot be.
void reviseClosedObjects(const RawObjectReader& reader, std::vector<RevisedObject>& revised) {
    const size_t pagesRevised = revised.size();
    RawObject object;
    for (const int32_t number : reader.crossReference().recovery().objectsReadWithContainersClosed()) {
        // The pages come in ascending number.
        const bool rewritten =
            std::binary_search(revised.begin(), revised.begin() + static_cast<ptrdiff_t>(pagesRevised), number,
                               [](const auto& a, const auto& b) { return numberOf(a) < numberOf(b); });
        if (rewritten || !reader.read(number, object) || object.length() == 0) continue;
        if (!object.containersClosed) failOutputCheck(message::objectWithoutEnd(number));
        revised.push_back({number, object.generation, std::string(object.bytes.begin(), object.bytes.end()),
                           headerEndOf(object.bytes), 0});
    }
    // The pages come in ascending number already; only objects added after them
    // need the whole to be put in order.
    if (revised.size() == pagesRevised) return;
    std::sort(revised.begin(), revised.end(),
              [](const RevisedObject& a, const RevisedObject& b) { return a.number < b.number; });
}

}  // namespace

std::vector<const PageRecord*> firstListings(const std::vector<PageRecord>& pages) {
    std::vector<const PageRecord*> order;
    order.reserve(pages.size());
    for (const PageRecord& page : pages)
        if (page.objNum >= 0) order.push_back(&page);
    std::stable_sort(order.begin(), order.end(),
                     [](const PageRecord* a, const PageRecord* b) { return a->objNum < b->objNum; });
    order.erase(std::unique(order.begin(), order.end(),
                            [](const PageRecord* a, const PageRecord* b) { return a->objNum == b->objNum; }),
                order.end());
    return order;
}

void revisePagesInTurn(const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                       const WalkedNodes& walkedNodes, const std::function<void(RevisedObject&&)>& take) {
    reviseListedPages(reader, firstListings(pages), walkedNodes, take);
}

void reviseListedPages(const RawObjectReader& reader, std::span<const PageRecord* const> listings,
                       const WalkedNodes& walkedNodes, const std::function<void(RevisedObject&&)>& take) {
    ShownRotation shown(reader.crossReference(), &walkedNodes);
    RawObject object;
    for (const PageRecord* page : listings) {
        if (!page->selected) continue;
        if (!reader.read(page->objNum, object) || object.length() == 0 || object.isObjectStream) continue;
        if (!loadObjectText(reader.bytes(), object)) continue;
        const PageEdit edit = planPageEdit(object, page->rotation, page->facts.rotateKey);
        if (!editChangesRotation(edit, *page, shown)) continue;
        const uint32_t headerEnd = edit.layout.headerEnd != 0 ? edit.layout.headerEnd : headerEndOf(object.bytes);
        take({page->objNum, object.generation, rotatedPageText(object, edit), headerEnd,
              editedDictionaryEnd(object, edit)});
    }
}

std::vector<RevisedObject> revisePages(const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                                       const WalkedNodes& walkedNodes) {
    std::vector<RevisedObject> revised;
    revisePagesInTurn(reader, pages, walkedNodes,
                      [&revised](RevisedObject&& page) { revised.push_back(std::move(page)); });
    reviseClosedObjects(reader, revised);
    return revised;
}

namespace {

// The text between the object's header and its closing keyword, from its first byte that
// is no white space; none for another generation or a text without that frame.
std::optional<std::string_view> framedValue(const RevisedObject& object) {
    static constexpr std::string_view keyword = keywords::objectEnd;
    const std::string_view text = object.text;
    if (object.generation != 0 || text.size() < object.headerEnd + keyword.size() + 1) return std::nullopt;
    const size_t keywordStart = text.size() - keyword.size() - 1;
    if (text.substr(keywordStart, keyword.size()) != keyword) return std::nullopt;
    const std::string_view body = text.substr(0, keywordStart);
    size_t start = object.headerEnd;
    while (start < body.size() && pdfchar::isWhitespace(static_cast<uint8_t>(body[start]))) ++start;
    return body.substr(start);
}

}  // namespace

std::optional<std::string_view> objectStreamBody(const RevisedObject& object) {
    const std::optional<std::string_view> value = framedValue(object);
    if (!value) return std::nullopt;
    const std::string_view body(object.text.data(),
                                static_cast<size_t>(value->data() + value->size() - object.text.data()));
    const size_t start = body.size() - value->size();
    const bool endKnown = object.valueEnd > start && object.valueEnd <= body.size();
    if (endKnown && onlyWhitespaceFrom(body, object.valueEnd)) return value;
    if (!holdsOneValue(reinterpret_cast<const uint8_t*>(value->data()), static_cast<uint32_t>(value->size())))
        return std::nullopt;
    return value;
}

std::string_view acceptedObjectStreamBody(const RevisedObject& object) { return framedValue(object).value_or(""); }
