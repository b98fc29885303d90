#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <unordered_set>
#include <vector>

#include "model/PdfElement.h"
#include "pages/PageRecord.h"
#include "pages/PageTreeSieve.h"
#include "pages/ShownRotation.h"
#include "pages/NumberMarks.h"
#include "pages/PageListings.h"

// Lists the leaf pages of a page tree in document order: depth first, kids in
// array order. A kid that leads back to a node on the current path, or a tree
// deeper than the limit, is damage ("PDF file was damaged"). Each object of the
// tree is fetched and parsed once, however often the tree lists it.
class PageTreeWalker {
public:
    // `objectCount`: the entries of the cross-reference; `fileSize`: the input's
    // size. Together they bound the walk. `nodeVisited` is called at every node.
    PageTreeWalker(size_t objectCount, uint64_t fileSize, std::function<void()> nodeVisited);

    // What to build of a page tree object fetched now: what the walk reads of it,
    // and of its kids no more than the walk may still visit.
    PageTreeSieve nodeSieve() const {
        return PageTreeSieve(visitLimit - std::min(kidsVisited, visitLimit), !byContents);
    }

    // At most `count` objects, numbered mostly below it: the walk sets room aside for
    // its note of the pages by number at once, not in doublings that each copy it.
    void expectObjects(size_t count) { numbersExpected = count; }
    // `rootNumber`: the root's object number, when it has one (-1 otherwise).
    void walk(const CPdfElement& root, int32_t rootNumber, std::vector<PageRecord>& pages);
    // The object numbers of the page tree nodes the walk went through, the root's
    // first, each as often as it was walked (nodes given directly inside Kids have none).
    const std::vector<int32_t>& nodeNumbers() const { return walkedNodes; }

    // With "-repair" the tree is read as other readers read it: a kid with /Kids is
    // a node, and any other dictionary a page, whatever its /Type says; and a page
    // written directly inside a node's /Kids is noted (see directPages).
    void readKidsByContents() { byContents = true; }
    // A page dictionary written directly in the /Kids of a node that is an object.
    struct DirectPage {
        size_t page;       // its index in the page list
        int32_t parent;    // the node's object number
        int32_t kidIndex;  // where it stands in the node's /Kids
    };
    const std::vector<DirectPage>& directPages() const { return directKids; }
    // Objects of the tree whose /Type says other than what they hold, each once:
    // true for a node (it should say /Pages), false for a page (/Page).
    const std::vector<std::pair<int32_t, bool>>& mistyped() const { return mistypedKids; }
    // The nodes fetched by reference, for ShownRotation; taken over by the caller.
    WalkedNodes takeNodeRotations() { return std::move(nodesByNumber); }

private:
    // What a kid turned out to be the first time it was listed.
    struct KnownKid {
        bool isPage = false;
        bool isPages = false;
        bool typeDisagrees = false;  // read by what it holds, against its /Type
        PageRotationFacts facts;     // a page's or a node's own
        CPdfElement node;            // a Pages node's dictionary while it is walked (None once let go)
    };

    void walkNode(const CPdfElement& node, int32_t nodeNumber, int depth, std::vector<PageRecord>& pages);
    const KnownKid& kidAt(const CPdfArray& kids, int32_t index, const CPdfElement& reference, KnownKid& direct);
    void letNodeGo(const CPdfElement& reference);
    bool copyEarlierListing(const CPdfElement& reference, std::vector<PageRecord>& pages);
    void noteListing(const CPdfElement& reference, const std::vector<PageRecord>& pages);
    // `taken`: what the reader took of the kid's dictionary, where it took any.
    KnownKid classify(CPdfElement& kid, const std::optional<PageTreeSieve::Taken>& taken) const;
    void noteWalkedNode(int32_t number, int32_t generation, const PageRotationFacts& facts);

    std::vector<int32_t> walkedNodes;
    std::unordered_set<int32_t> onPath;  // the numbers of the page tree nodes on the current path
    uint64_t visitLimit;
    uint64_t kidsVisited = 0;
    std::function<void()> nodeVisited;
    std::unordered_map<uint64_t, KnownKid> knownKids;  // the nodes, by object number and generation
    // The object numbers among knownKids' keys, for a test before a lookup there:
    // nearly every kid is a page, which is never among them.
    NumberMarks knownNumbers;
    // The pages' first listings. The record holds all that the walk reads of a
    // page; a cache entry of its own would double a large tree's memory.
    PageListings listings;
    size_t numbersExpected = 0;  // see expectObjects()
    bool byContents = false;
    std::vector<DirectPage> directKids;
    std::vector<std::pair<int32_t, bool>> mistypedKids;
    WalkedNodes nodesByNumber;
};
