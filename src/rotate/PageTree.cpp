// Listing the pages of the document and reading its declared page count.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/PdfRotate.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "rotate/RawObject.h"
#include "xref/PdfXRef.h"

namespace {

constexpr int maximumTreeDepth = 256;
constexpr const char* damaged = "PDF file was damaged";

}  // namespace

void CPdfRotate::walkPageTree(const CPdfElement& node, int32_t nodeNumber) {
    onPath.assign(entries ? entries->size() : 0, 0);
    if (nodeNumber >= 0 && static_cast<size_t>(nodeNumber) < onPath.size()) onPath[static_cast<size_t>(nodeNumber)] = 1;
    kidsVisited = 0;
    walkNode(node, 0);
    onPath.clear();
    onPath.shrink_to_fit();
}

// Depth first, kids in array order. A kid that leads back to a node on the current
// path, or a tree deeper than 256 levels, is damage. A tree that lists nodes many
// times over cannot make the walk longer than a few times the number of objects,
// nor than a few times the file's size in bytes: a cross-reference stream declares
// millions of entries in a few bytes, but every real page takes room in the file.
void CPdfRotate::walkNode(const CPdfElement& node, int depth) {
    if (depth > maximumTreeDepth) throw CPdfException(damaged);
    if (++progressCounter > 10) {
        std::fputs(".", stdout);
        progressCounter = 0;
    }
    CPdfElement kids;
    node.dictionary()->find("Kids", kids);
    if (!kids.is(ElementType::Array)) throw CPdfException(damaged);
    const CPdfArray& array = *kids.array();
    const uint64_t visitLimit = 4 * std::min<uint64_t>(onPath.size(), objectLayout.fileSize()) + 1024;
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
            pages.push_back(PageRecord{number, 0, 0});
        } else if (type.hasText("Pages")) {
            const bool tracked = number >= 0 && static_cast<size_t>(number) < onPath.size();
            if (tracked && onPath[static_cast<size_t>(number)]) throw CPdfException(damaged);
            if (tracked) onPath[static_cast<size_t>(number)] = 1;
            walkNode(kid, depth + 1);
            if (tracked) onPath[static_cast<size_t>(number)] = 0;
        }
    }
}

// The count that the root of the page tree declares in its raw text. A count
// above the number of objects cannot be right: every page is an object.
uint32_t CPdfRotate::countPages() {
    RawObject catalogue;
    if (!readRawObject(inputFile, rootNum, xref, *entries, catalogue, &objectLayout)) return 0;
    const uint32_t rootNumber = findNumberAfter(catalogue.bytes.data(), catalogue.length(), "/Pages");
    RawObject root;
    if (rootNumber > INT32_MAX || !readRawObject(inputFile, static_cast<int32_t>(rootNumber), xref, *entries, root,
                                                   &objectLayout))
        return 0;
    const uint32_t count = findNumberAfter(root.bytes.data(), root.length(), "/Count");
    if (count > entries->size()) throw CPdfException(damaged);
    return count;
}
