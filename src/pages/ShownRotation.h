#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "pages/PageRecord.h"

class CPdfDictionary;
class CPdfElement;
class CPdfXRef;

// What the page tree walk read of the nodes it fetched by reference: by object
// number, the generation it fetched each under and what the node says of its
// rotation (a generation of -1 when the tree names the number under two).
struct WalkedNode {
    int32_t generation = 0;
    PageRotationFacts facts;
};
using WalkedNodes = std::unordered_map<int32_t, WalkedNode>;

// The rotation a page shows (ISO 32000 makes /Rotate inheritable and allows an
// indirect value): its own /Rotate, resolved when it is a reference; otherwise the
// nearest /Rotate up its /Parent chain; otherwise 0. A value that is not a number,
// or a reference loop in /Rotate or /Parent, counts as no rotation. The rotation of
// each page tree node is found once, however many pages share it.
class ShownRotation {
public:
    // `walked`, when given, spares fetching again the nodes the walk read under the
    // generation a fetch would use; it must outlive this object.
    explicit ShownRotation(CPdfXRef& xref, const WalkedNodes* walked = nullptr);

    // From the facts the walk noted: the page is not read again, its ancestors once.
    int32_t ofPage(const PageRecord& page);

private:
    int32_t fromFacts(const PageRotationFacts& facts, int depth);
    // The object's own /Rotate: none when it has no such key.
    std::optional<int32_t> ownRotation(const PageRotationFacts& facts);
    int32_t ofNode(int32_t nodeNumber, int depth);
    bool fetch(int32_t number, CPdfElement& out);
    const WalkedNode* walkedNode(int32_t number) const;

    CPdfXRef& xref;
    const WalkedNodes* walked;
    std::unordered_map<int32_t, int32_t> nodeRotation;
    std::unordered_set<int32_t> nodesInProgress;
};

// What the dictionary of a page or page tree node says of its rotation.
PageRotationFacts rotationFactsOf(const CPdfDictionary& dictionary);
// The same from the values a dictionary's reader took: its last Rotate and its
// first Parent (null where it has none).
PageRotationFacts rotationFactsOf(const CPdfElement* lastRotate, const CPdfElement* firstParent);

// The angle "-force" starts from: a multiple of 90 is reduced modulo 360 with its
// sign kept (450 gives 90, -450 gives -90); anything else stays as it is.
int32_t reducedRotation(int32_t rotation);
