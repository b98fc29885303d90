#include "pages/PageTreeWalker.h"

#include <algorithm>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "pages/ShownRotation.h"

namespace {

// The key of a kid given by reference: its object number and generation.
uint64_t kidKey(const CPdfElement& reference) {
    return (uint64_t{static_cast<uint32_t>(reference.refNum())} << 32) | static_cast<uint32_t>(reference.refGen());
}

}  // namespace

// A tree that lists nodes many times over cannot make the walk longer than a few
// times the number of objects, nor than a few times the file's size in bytes: a
// cross-reference stream declares millions of entries in a few bytes, but every
// real page takes room in the file.
PageTreeWalker::PageTreeWalker(size_t objectCount, uint64_t fileSize, std::function<void()> nodeVisited)
    : visitLimit(limits::pageTreeVisitsPerObject * std::min<uint64_t>(objectCount, fileSize) +
                 limits::pageTreeVisitAllowance),
      nodeVisited(std::move(nodeVisited)) {}

void PageTreeWalker::walk(const CPdfElement& root, int32_t rootNumber, std::vector<PageRecord>& pages) {
    onPath.clear();
    if (rootNumber >= 0) onPath.insert(rootNumber);
    kidsVisited = 0;
    walkedNodes.clear();
    listings.start(pages.size(), numbersExpected);
    if (rootNumber >= 0) walkedNodes.push_back(rootNumber);
    walkNode(root, rootNumber, 0, pages);
}

void PageTreeWalker::walkNode(const CPdfElement& node, int32_t nodeNumber, int depth, std::vector<PageRecord>& pages) {
    if (depth > limits::maximumPageTreeDepth) throw CPdfException(FailureKind::Damaged, message::damaged);
    nodeVisited();
    CPdfElement kids;
    PageTreeSieve sieve = nodeSieve();
    node.dictionary()->find("Kids", kids, &sieve);
    if (!kids.is(ElementType::Array)) throw CPdfException(FailureKind::Damaged, message::damaged);
    const CPdfArray& array = *kids.array();
    for (int32_t i = 0; i < array.size(); ++i) {
        if (++kidsVisited > visitLimit) throw CPdfException(FailureKind::Damaged, message::damaged);
        CPdfElement reference;
        array.atRaw(i, reference);
        if (copyEarlierListing(reference, pages)) continue;
        KnownKid direct;
        const KnownKid& kid = kidAt(array, i, reference, direct);
        const int32_t number = reference.is(ElementType::Reference) ? reference.refNum() : -1;
        if (kid.isPage) {
            pages.push_back(PageRecord{number, 0, 0, 0, kid.facts});
            noteListing(reference, pages);
            if (byContents && number < 0 && nodeNumber >= 0) directKids.push_back({pages.size() - 1, nodeNumber, i});
        } else if (kid.isPages) {
            // A node met again on its own path is a loop.
            if (number >= 0 && !onPath.insert(number).second)
                throw CPdfException(FailureKind::Damaged, message::damaged);
            if (number >= 0) walkedNodes.push_back(number);
            walkNode(kid.node, number, depth + 1, pages);
            if (number >= 0) onPath.erase(number);
            letNodeGo(reference);
        }
    }
}

PageTreeWalker::KnownKid PageTreeWalker::classify(CPdfElement& kid,
                                                  const std::optional<PageTreeSieve::Taken>& taken) const {
    KnownKid known;
    if (kid.is(ElementType::None)) return known;  // a direct kid that the sieve found to be neither kind
    if (!kid.is(ElementType::Dictionary)) throw CPdfException(FailureKind::Damaged, message::damaged);
    // The Type as it stands, resolved only when it is a reference (which the reader never takes).
    CPdfElement resolvedType;
    const CPdfElement* stored = taken && taken->type ? taken->type : kid.dictionary()->rawValue("Type");
    if (stored && stored->is(ElementType::Reference)) kid.dictionary()->find("Type", resolvedType);
    const CPdfElement& type = stored && !stored->is(ElementType::Reference) ? *stored : resolvedType;
    known.isPage = type.hasText("Page");
    known.isPages = !known.isPage && type.hasText("Pages");
    if (byContents) {
        CPdfElement kids;
        kid.dictionary()->findRaw("Kids", kids);
        known.isPages = kids.is(ElementType::Array) || kids.is(ElementType::Reference) || type.hasText("Pages");
        known.isPage = !known.isPages;
        known.typeDisagrees = !type.hasText(known.isPages ? "Pages" : "Page");
    }
    if (known.isPage || known.isPages)
        known.facts = taken ? rotationFactsOf(taken->rotate, taken->parent) : rotationFactsOf(*kid.dictionary());
    if (known.isPages) known.node.takeFrom(kid);
    return known;
}

void PageTreeWalker::noteWalkedNode(int32_t number, int32_t generation, const PageRotationFacts& facts) {
    const auto [walked, first] = nodesByNumber.try_emplace(number, WalkedNode{generation, facts});
    if (!first && walked->second.generation != generation) walked->second.generation = -1;
}

// A kid given by reference is fetched the first time only; one given directly
// inside Kids is already parsed.
const PageTreeWalker::KnownKid& PageTreeWalker::kidAt(const CPdfArray& kids, int32_t index,
                                                      const CPdfElement& reference, KnownKid& direct) {
    const bool byReference = reference.is(ElementType::Reference);
    const uint64_t key = byReference ? kidKey(reference) : 0;
    CPdfElement kid;
    PageTreeSieve sieve = nodeSieve();
    if (byReference && knownNumbers.mayHold(reference.refNum())) {
        if (const auto found = knownKids.find(key); found != knownKids.end()) {
            KnownKid& known = found->second;
            if (known.isPages && known.node.is(ElementType::None)) {  // walked before, and let go
                kids.at(index, kid, &sieve);
                if (!kid.is(ElementType::Dictionary)) throw CPdfException(FailureKind::Damaged, message::damaged);
                known.node.takeFrom(kid);
            }
            return known;
        }
    }
    sieve.takeKindAndRotation();
    kids.at(index, kid, &sieve);
    KnownKid known = classify(kid, sieve.takenFrom(kid));
    if (!byReference) return direct = std::move(known);
    if (known.typeDisagrees) mistypedKids.emplace_back(reference.refNum(), known.isPages);
    if (known.isPages) noteWalkedNode(reference.refNum(), reference.refGen(), known.facts);
    if (known.isPage) return direct = std::move(known);  // its record remembers it
    knownNumbers.mark(reference.refNum());
    return knownKids.emplace(key, std::move(known)).first->second;
}

// A node's dictionary holds its whole Kids array: once its subtree is walked it is
// let go, and read again only for a tree that lists the node again.
void PageTreeWalker::letNodeGo(const CPdfElement& reference) {
    if (!reference.is(ElementType::Reference)) return;
    if (const auto found = knownKids.find(kidKey(reference)); found != knownKids.end()) found->second.node.clear();
}

// A page listed again gets a copy of its first record: it was fetched and read once.
bool PageTreeWalker::copyEarlierListing(const CPdfElement& reference, std::vector<PageRecord>& pages) {
    if (!reference.is(ElementType::Reference)) return false;
    const std::optional<size_t> first = listings.firstListing(reference.refNum(), reference.refGen(), pages);
    if (!first) return false;
    const PageRecord copy = pages[*first];
    pages.push_back(copy);
    return true;
}

void PageTreeWalker::noteListing(const CPdfElement& reference, const std::vector<PageRecord>& pages) {
    if (reference.is(ElementType::Reference)) listings.note(reference.refNum(), reference.refGen(), pages);
}
