#include "pages/PageTreeWalker.h"

#include <algorithm>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"

namespace {

constexpr const char* damaged = "PDF file was damaged";

}  // namespace

// A tree that lists nodes many times over cannot make the walk longer than a few
// times the number of objects, nor than a few times the file's size in bytes: a
// cross-reference stream declares millions of entries in a few bytes, but every
// real page takes room in the file.
PageTreeWalker::PageTreeWalker(size_t objectCount, uint64_t fileSize, std::function<void()> nodeVisited)
    : onPath(objectCount, 0),
      visitLimit(limits::pageTreeVisitsPerObject * std::min<uint64_t>(objectCount, fileSize) +
                 limits::pageTreeVisitAllowance),
      nodeVisited(std::move(nodeVisited)) {}

void PageTreeWalker::walk(const CPdfElement& root, int32_t rootNumber, std::vector<PageRecord>& pages) {
    if (rootNumber >= 0 && static_cast<size_t>(rootNumber) < onPath.size()) onPath[static_cast<size_t>(rootNumber)] = 1;
    kidsVisited = 0;
    walkNode(root, 0, Inherited{}, pages);
}

// Only a direct value is read: resolving a reference here could fail on a file
// that the walk itself reads without trouble.
PageTreeWalker::Inherited PageTreeWalker::handedDown(const CPdfElement& node, Inherited inherited) {
    CPdfElement rotate;
    node.dictionary()->findRaw("Rotate", rotate);
    if (rotate.is(ElementType::Null)) return inherited;
    if (rotate.is(ElementType::Integer)) return {rotate.integer(), true};
    return {0, false};
}

void PageTreeWalker::walkNode(const CPdfElement& node, int depth, Inherited inherited,
                              std::vector<PageRecord>& pages) {
    if (depth > limits::maximumPageTreeDepth) throw CPdfException(damaged);
    nodeVisited();
    inherited = handedDown(node, inherited);
    CPdfElement kids;
    node.dictionary()->find("Kids", kids);
    if (!kids.is(ElementType::Array)) throw CPdfException(damaged);
    const CPdfArray& array = *kids.array();
    for (int32_t i = 0; i < array.size(); ++i) {
        if (++kidsVisited > visitLimit) throw CPdfException(damaged);
        CPdfElement kid, reference;
        array.at(i, kid);
        array.atRaw(i, reference);
        if (!kid.is(ElementType::Dictionary)) throw CPdfException(damaged);
        CPdfElement type;
        kid.dictionary()->find("Type", type);
        const int32_t number = reference.is(ElementType::Reference) ? reference.refNum() : -1;
        if (type.hasText("Page")) {
            pages.push_back(PageRecord{number, 0, 0, inherited.rotation, inherited.known});
        } else if (type.hasText("Pages")) {
            const bool tracked = number >= 0 && static_cast<size_t>(number) < onPath.size();
            if (tracked && onPath[static_cast<size_t>(number)]) throw CPdfException(damaged);
            if (tracked) onPath[static_cast<size_t>(number)] = 1;
            walkNode(kid, depth + 1, inherited, pages);
            if (tracked) onPath[static_cast<size_t>(number)] = 0;
        }
    }
}
