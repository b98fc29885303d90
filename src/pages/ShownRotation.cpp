#include "pages/ShownRotation.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "limits/Limits.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "model/PdfException.h"
#include "parse/ValueSieve.h"
#include "xref/EntryFetch.h"
#include "xref/PdfXRef.h"

namespace {

constexpr int maximumValueSteps = limits::maximumRotateSteps;

// An integer held at a 32-bit limit that is written as a multiple of 90 shows
// as that multiple modulo 360 (qpdf reads it so); every other value as it is.
std::optional<int32_t> numberIn(const CPdfElement& value) {
    if (value.is(ElementType::Integer)) {
        const bool held = value.integer() == INT32_MAX || value.integer() == INT32_MIN;
        return held && value.integerModulo360() % 90 == 0 ? value.integerModulo360() : value.integer();
    }
    if (value.is(ElementType::Real) && !std::isnan(value.real()))
        return static_cast<int32_t>(std::clamp(std::trunc(value.real()), double{INT32_MIN}, double{INT32_MAX}));
    return std::nullopt;
}

}  // namespace

ShownRotation::ShownRotation(CPdfXRef& xref, const WalkedNodes* walked) : xref(xref), walked(walked) {}

int32_t reducedRotation(int32_t rotation) { return rotation % 90 == 0 ? rotation % 360 : rotation; }

// An object is fetched under the generation its entry gives (0 in an object stream),
// and of a node only what its rotation needs is built.
bool ShownRotation::fetch(int32_t number, CPdfElement& out) {
    KeySieve rotationEntries{"Rotate", "Parent"};
    if (!xref.getEntries().find(number)) return false;
    try {
        out = fetchAtEntryGeneration(xref, number, &rotationEntries);
    } catch (const CPdfException&) {
        return false;  // an object that cannot be read shows no rotation
    }
    return out.is(ElementType::Dictionary);
}

// A node the walk fetched under the generation that fetch() would use read the
// same Rotate and Parent there.
const WalkedNode* ShownRotation::walkedNode(int32_t number) const {
    if (!walked || !xref.getEntries().find(number)) return nullptr;
    const auto found = walked->find(number);
    if (found == walked->end() || found->second.generation != entryObjectId(xref, number).generation) return nullptr;
    return &found->second;
}

int32_t ShownRotation::ofPage(const PageRecord& page) { return fromFacts(page.facts, 1); }

int32_t ShownRotation::fromFacts(const PageRotationFacts& facts, int depth) {
    if (const std::optional<int32_t> own = ownRotation(facts)) return *own;
    return facts.parent >= 0 ? ofNode(facts.parent, depth) : 0;
}

// Of a repeated key, readers show the last Rotate and follow the first Parent.
PageRotationFacts rotationFactsOf(const CPdfDictionary& dictionary) {
    return rotationFactsOf(dictionary.lastRawValue("Rotate"), dictionary.rawValue("Parent"));
}

PageRotationFacts rotationFactsOf(const CPdfElement* value, const CPdfElement* parent) {
    PageRotationFacts facts;
    facts.rotateKey = value != nullptr;
    if (value && value->is(ElementType::Reference)) {
        // A generation past the PDF format's 65535 leads to no rotation a record can hold: none.
        const bool heldGeneration = value->refGen() >= 0 && value->refGen() <= UINT16_MAX;
        facts.rotate = heldGeneration ? PageRotationFacts::Rotate::Reference : PageRotationFacts::Rotate::Value;
        if (heldGeneration) {
            facts.value = value->refNum();
            facts.generation = static_cast<uint16_t>(value->refGen());
        }
    } else if (value && !value->is(ElementType::Null)) {
        facts.rotate = PageRotationFacts::Rotate::Value;
        facts.value = numberIn(*value).value_or(0);
    }
    if (parent && parent->is(ElementType::Reference)) facts.parent = parent->refNum();
    return facts;
}

std::optional<int32_t> ShownRotation::ownRotation(const PageRotationFacts& facts) {
    if (facts.rotate == PageRotationFacts::Rotate::Absent) return std::nullopt;
    if (facts.rotate == PageRotationFacts::Rotate::Value) return facts.value;
    CPdfElement value;
    try {
        xref.fetchObject(facts.value, facts.generation, value);
    } catch (const CPdfException&) {
        return 0;
    }
    for (int step = 1; step < maximumValueSteps && value.is(ElementType::Reference); ++step) {
        CPdfElement target;
        try {
            xref.fetchObject(value.refNum(), value.refGen(), target);
        } catch (const CPdfException&) {
            return 0;
        }
        value.clear();
        value.takeFrom(target);
    }
    if (value.is(ElementType::Null)) return std::nullopt;  // a reference to nothing is no entry
    return numberIn(value).value_or(0);
}

int32_t ShownRotation::ofNode(int32_t nodeNumber, int depth) {
    if (depth > limits::maximumPageTreeDepth) return 0;
    if (const auto known = nodeRotation.find(nodeNumber); known != nodeRotation.end()) return known->second;
    if (!nodesInProgress.insert(nodeNumber).second) return 0;  // a loop in /Parent
    int32_t rotation = 0;
    CPdfElement node;
    if (const WalkedNode* known = walkedNode(nodeNumber)) rotation = fromFacts(known->facts, depth + 1);
    else if (fetch(nodeNumber, node)) rotation = fromFacts(rotationFactsOf(*node.dictionary()), depth + 1);
    nodesInProgress.erase(nodeNumber);
    nodeRotation.emplace(nodeNumber, rotation);
    return rotation;
}
