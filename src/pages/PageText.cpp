// Reading the direction of a page's text from its content streams.
#include "pages/PageText.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/ValueSieve.h"
#include "stream/PdfStream.h"
#include "xref/EntryFetch.h"
#include "xref/PdfXRef.h"

namespace {

constexpr size_t readChunkBytes = 16384;

// A node's own entries, without its Kids: a node of many kids is not built whole
// for the one entry read of it.
class NodeSieve final : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key != "Kids"; }
};

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A Type0 font writes vertically when its CMap says so: Identity-V, a predefined
// CMap whose name ends in -V, or an embedded one with /WMode 1.
FontKind kindOfFont(const CPdfElement& font) {
    if (!font.is(ElementType::Dictionary)) return FontKind::OneByte;
    CPdfElement subtype, encoding;
    font.dictionary()->find("Subtype", subtype);
    if (!subtype.hasText("Type0")) return FontKind::OneByte;
    font.dictionary()->find("Encoding", encoding);
    if (encoding.is(ElementType::Name)) return endsWith(encoding.text(), "-V") ? FontKind::Vertical : FontKind::TwoByte;
    if (encoding.is(ElementType::Stream) && encoding.stream()->streamDictionary()) {
        CPdfElement mode;
        encoding.stream()->streamDictionary()->find("WMode", mode);
        if (mode.is(ElementType::Integer) && mode.integer() == 1) return FontKind::Vertical;
    }
    return FontKind::TwoByte;
}

LinearMap matrixOf(const CPdfDictionary& dictionary) {
    CPdfElement matrix;
    dictionary.find("Matrix", matrix);
    if (!matrix.is(ElementType::Array) || matrix.array()->size() != 6) return {};
    double values[4];
    for (int32_t i = 0; i < 4; ++i) {
        CPdfElement value;
        matrix.array()->at(i, value);
        if (value.is(ElementType::Integer)) values[i] = value.integer();
        else if (value.is(ElementType::Real)) values[i] = value.real();
        else return {};
    }
    return {values[0], values[1], values[2], values[3]};
}

void findIn(const CPdfElement& dictionary, const char* key, CPdfElement& out) {
    if (dictionary.is(ElementType::Dictionary)) dictionary.dictionary()->find(key, out);
}

}  // namespace

// The resources one content stream names its fonts and forms by.
class ResourceScope final : public ContentResources {
public:
    ResourceScope(PageTextReader& reader, const CPdfElement& resources) : reader(reader) {
        try {
            findIn(resources, "Font", fonts);
            findIn(resources, "XObject", xobjects);
        } catch (const CPdfException&) {
            // resources that cannot be read name nothing
        }
    }

    FontKind fontKind(std::string_view name) override {
        const std::string key(name);
        if (const auto known = kinds.find(key); known != kinds.end()) return known->second;
        const FontKind kind = reader.fontKind(fonts, name);
        kinds.emplace(key, kind);
        return kind;
    }

    void drawForm(std::string_view name, const LinearMap& ctm, GlyphCounts& counts) override {
        if (!xobjects.is(ElementType::Dictionary)) return;
        CPdfElement reference;
        xobjects.dictionary()->findRaw(name, reference);
        if (!reference.is(ElementType::Reference)) return;
        if (const PageTextReader::FormText* form = reader.form(reference.refNum(), reference.refGen())) {
            if (!form->withinBudget) reader.pageBudget.spent = true;
            counts.add(form->glyphs.mappedBy(ctm));
        }
    }

private:
    PageTextReader& reader;
    CPdfElement fonts, xobjects;
    std::unordered_map<std::string, FontKind> kinds;
};

PageTextReader::PageTextReader(CPdfXRef& xref, uint64_t fileSize)
    : xref(xref), jobBytesLeft(limits::contentBytesPerJobBase + limits::contentBytesPerJobPerFileByte * fileSize) {}

PageTextReader::~PageTextReader() = default;

PageText PageTextReader::read(const PageRecord& page) { return readPage(page, nullptr); }

PageText PageTextReader::read(const PageRecord& page, const CPdfElement& pageObject) {
    return readPage(page, &pageObject);
}

PageText PageTextReader::readPage(const PageRecord& page, const CPdfElement* fetched) {
    if (const auto known = pages.find(page.objNum); known != pages.end()) return known->second;
    const uint64_t bytes = std::min(limits::contentBytesPerPage, jobBytesLeft);
    pageBudget = ContentBudget{bytes, limits::contentOperatorsPerPage, false};
    PageText text;
    if (fetched) {
        text = readFetched(page, *fetched);
    } else if (page.objNum >= 0 && xref.getEntries().find(page.objNum)) {
        CPdfElement object;
        try {
            object = fetchAtEntryGeneration(xref, page.objNum);
        } catch (const CPdfException&) {
            object.clear();  // a page that cannot be read has no text to judge
        }
        text = readFetched(page, object);
    }
    jobBytesLeft -= bytes - pageBudget.bytes;
    if (pageBudget.spent) text = PageText{{}, false};
    pages.emplace(page.objNum, text);
    return text;
}

PageText PageTextReader::readFetched(const PageRecord& page, const CPdfElement& object) {
    PageText text;
    if (!object.is(ElementType::Dictionary)) return text;
    CPdfElement contents, resources, reference;
    try {
        object.dictionary()->find("Contents", contents);
        object.dictionary()->findRaw("Resources", reference);
        if (!reference.is(ElementType::Reference)) object.dictionary()->find("Resources", resources);
    } catch (const CPdfException&) {
        return text;  // a page that cannot be read has no text to judge
    }
    std::vector<uint8_t> bytes;
    readContents(contents, bytes);
    if (bytes.empty()) return text;
    if (reference.is(ElementType::Reference)) {
        count(bytes, sharedScope(reference.refNum()), LinearMap{}, text.glyphs);
        return text;
    }
    if (!resources.is(ElementType::Dictionary) && page.facts.parent >= 0) {
        resources.clear();
        resourcesOfNode(page.facts.parent, 1, resources);
    }
    count(bytes, resources, LinearMap{}, text.glyphs);
    return text;
}

// A node's resources, its own or inherited, are found once however many pages share them.
void PageTextReader::resourcesOfNode(int32_t nodeNumber, int depth, CPdfElement& out) {
    if (const auto known = nodeResources.find(nodeNumber); known != nodeResources.end()) {
        out.copyFrom(known->second);
        return;
    }
    if (depth > limits::maximumPageTreeDepth || !nodesInProgress.insert(nodeNumber).second) return;
    CPdfElement resources;
    int32_t parent = -1;
    try {
        NodeSieve sieve;
        if (xref.getEntries().find(nodeNumber)) {
            const CPdfElement node = fetchAtEntryGeneration(xref, nodeNumber, &sieve);
            if (node.is(ElementType::Dictionary)) {
                node.dictionary()->find("Resources", resources);
                CPdfElement up;
                node.dictionary()->findRaw("Parent", up);
                if (up.is(ElementType::Reference)) parent = up.refNum();
            }
        }
    } catch (const CPdfException&) {
        resources.clear();
    }
    if (!resources.is(ElementType::Dictionary)) {
        resources.clear();
        if (parent >= 0) resourcesOfNode(parent, depth + 1, resources);
    }
    nodesInProgress.erase(nodeNumber);
    out.copyFrom(resources);
    nodeResources.emplace(nodeNumber, std::move(resources));
}

// A page's streams are one content, read as if joined; a stream that cannot be
// fetched or decoded adds nothing.
void PageTextReader::readContents(const CPdfElement& contents, std::vector<uint8_t>& bytes) {
    if (contents.is(ElementType::Stream)) {
        appendStream(contents, bytes);
        return;
    }
    if (!contents.is(ElementType::Array)) return;
    for (int32_t i = 0; i < contents.array()->size() && !pageBudget.spent; ++i) {
        CPdfElement part;
        try {
            contents.array()->at(i, part);
        } catch (const CPdfException&) {
            continue;
        }
        appendStream(part, bytes);
        bytes.push_back('\n');
    }
}

void PageTextReader::appendStream(const CPdfElement& stream, std::vector<uint8_t>& bytes) {
    if (!stream.is(ElementType::Stream)) return;
    CPdfStream& data = *stream.stream();
    try {
        // Each piece is decoded into the chunk and then added: a page's content is
        // mostly far smaller than the chunk, which would cost more to clear than to copy.
        if (!chunk) chunk = std::make_unique_for_overwrite<uint8_t[]>(readChunkBytes);
        for (;;) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(readChunkBytes, pageBudget.bytes + 1));
            const size_t got = data.readBlock(chunk.get(), take);
            const size_t at = bytes.size();
            // Grown by doubling, but never past what the page may still decode:
            // a bomb costs the budget in memory, not twice that.
            if (bytes.capacity() < at + got)
                bytes.reserve(std::max(at + got, std::min(bytes.capacity() * 2, at + pageBudget.bytes + 1)));
            bytes.insert(bytes.end(), chunk.get(), chunk.get() + got);
            if (got > pageBudget.bytes) {
                pageBudget.bytes = 0;
                pageBudget.spent = true;  // more than the page may decode: a bomb, or worse
                return;
            }
            pageBudget.bytes -= got;
            if (got < take) return;
        }
    } catch (const CPdfException&) {
        // what was decoded before the fault counts; the rest is no text
    }
}

void PageTextReader::count(const std::vector<uint8_t>& bytes, const CPdfElement& resources, const LinearMap& ctm,
                           GlyphCounts& glyphs) {
    if (bytes.empty() || pageBudget.spent) return;
    ResourceScope scope(*this, resources);
    count(bytes, scope, ctm, glyphs);
}

void PageTextReader::count(const std::vector<uint8_t>& bytes, ContentResources& scope, const LinearMap& ctm,
                           GlyphCounts& glyphs) {
    if (bytes.empty() || pageBudget.spent) return;
    ContentTextCounter counter(scope, pageBudget, ctm);
    counter.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    glyphs.add(counter.counts());
}

// A resource dictionary that cannot be read names nothing, for every page that shares it.
ResourceScope& PageTextReader::sharedScope(int32_t number) {
    std::unique_ptr<ResourceScope>& scope = sharedScopes[number];
    if (scope) return *scope;
    CPdfElement resources;
    try {
        if (xref.getEntries().find(number)) resources = fetchAtEntryGeneration(xref, number);
    } catch (const CPdfException&) {
        resources.clear();
    }
    scope = std::make_unique<ResourceScope>(*this, resources);
    return *scope;
}

// A form is read once, in its parent's space; one that draws itself, or that lies
// deeper than the bound, adds nothing where it is drawn again.
const PageTextReader::FormText* PageTextReader::form(int32_t number, int32_t generation) {
    if (const auto known = forms.find(number); known != forms.end()) return &known->second;
    if (formDepth >= limits::maximumFormDepth || !formsInProgress.insert(number).second) return nullptr;
    ++formDepth;
    FormText text;
    try {
        CPdfElement object;
        xref.fetchObject(number, generation, object);
        CPdfDictionary* dictionary = object.is(ElementType::Stream) ? object.stream()->streamDictionary() : nullptr;
        CPdfElement subtype;
        if (dictionary) dictionary->find("Subtype", subtype);
        if (subtype.hasText("Form")) {
            CPdfElement resources;
            dictionary->find("Resources", resources);
            std::vector<uint8_t> bytes;
            appendStream(object, bytes);
            count(bytes, resources, matrixOf(*dictionary), text.glyphs);
        }
    } catch (const CPdfException&) {
        text = FormText{};  // a form that cannot be read draws no text
    }
    text.withinBudget = !pageBudget.spent;
    --formDepth;
    formsInProgress.erase(number);
    return &forms.emplace(number, text).first->second;
}

FontKind PageTextReader::fontKind(const CPdfElement& fontResources, std::string_view name) {
    if (!fontResources.is(ElementType::Dictionary)) return FontKind::OneByte;
    try {
        CPdfElement reference;
        fontResources.dictionary()->findRaw(name, reference);
        const bool shared = reference.is(ElementType::Reference);
        if (shared) {
            if (const auto known = fonts.find(reference.refNum()); known != fonts.end()) return known->second;
        }
        CPdfElement font;
        fontResources.dictionary()->find(name, font);
        const FontKind kind = kindOfFont(font);
        if (shared) fonts.emplace(reference.refNum(), kind);
        return kind;
    } catch (const CPdfException&) {
        return FontKind::OneByte;
    }
}
