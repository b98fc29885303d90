#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "model/PdfElement.h"
#include "pages/ContentText.h"
#include "pages/PageRecord.h"
#include "pages/TextDirection.h"

class CPdfDictionary;
class CPdfXRef;
class ResourceScope;

// What a page's content says of its text: the glyphs by the direction of their
// baseline in the page's default user space, before its /Rotate, and whether they
// could be read within the budgets (a page that ran out of them is not judged).
struct PageText {
    GlyphCounts glyphs;
    bool withinBudget = true;

    // The quarter turn of the baseline that most glyphs hold (see
    // prevailingQuarterTurn), or none for a page that cannot be judged.
    std::optional<int> prevailingTurn() const { return withinBudget ? prevailingQuarterTurn(glyphs) : std::nullopt; }
};

// Reads the text direction of pages: each page's content streams and the form
// XObjects they draw (with their /Matrix, to a bounded depth), with the fonts of
// their resources, inherited along /Parent where the page has none. Streams are
// decoded as the document decodes every stream (decrypted, then through the
// filter chain); one that cannot be decoded counts as no text. Each page object,
// form and font is read once however often it is used, and the decoded bytes of
// the whole job are bounded too.
class PageTextReader {
public:
    PageTextReader(CPdfXRef& xref, uint64_t fileSize);
    PageTextReader(const PageTextReader&) = delete;
    PageTextReader& operator=(const PageTextReader&) = delete;
    ~PageTextReader();

    PageText read(const PageRecord& page);
    // The same for a page whose object the caller has fetched whole already.
    PageText read(const PageRecord& page, const CPdfElement& pageObject);

private:
    friend class ResourceScope;
    struct FormText {
        GlyphCounts glyphs;  // in the space of the form's parent, its /Matrix applied
        bool withinBudget = true;
    };

    PageText readPage(const PageRecord& page, const CPdfElement* fetched);
    PageText readFetched(const PageRecord& page, const CPdfElement& object);
    void resourcesOfNode(int32_t nodeNumber, int depth, CPdfElement& out);
    void readContents(const CPdfElement& contents, std::vector<uint8_t>& bytes);
    void appendStream(const CPdfElement& stream, std::vector<uint8_t>& bytes);
    const FormText* form(int32_t number, int32_t generation);
    FontKind fontKind(const CPdfElement& fonts, std::string_view name);
    void count(const std::vector<uint8_t>& bytes, const CPdfElement& resources, const LinearMap& ctm,
               GlyphCounts& glyphs);
    void count(const std::vector<uint8_t>& bytes, ContentResources& scope, const LinearMap& ctm, GlyphCounts& glyphs);
    ResourceScope& sharedScope(int32_t number);

    CPdfXRef& xref;
    uint64_t jobBytesLeft;
    ContentBudget pageBudget;
    std::unique_ptr<uint8_t[]> chunk;  // where a content stream is decoded a piece at a time
    int formDepth = 0;
    std::unordered_map<int32_t, PageText> pages;
    std::unordered_map<int32_t, CPdfElement> nodeResources;
    std::unordered_set<int32_t> nodesInProgress;
    std::unordered_map<int32_t, FormText> forms;
    std::unordered_set<int32_t> formsInProgress;
    std::unordered_map<int32_t, FontKind> fonts;
    // Resources that many pages share by reference, each read once.
    std::unordered_map<int32_t, std::unique_ptr<ResourceScope>> sharedScopes;
};
