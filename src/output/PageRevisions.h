#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pages/PageRecord.h"
#include "pages/ShownRotation.h"

class RawObjectReader;

// A page object rewritten with its new rotation, for an incremental update.
struct RevisedObject {
    int32_t number = 0;
    int32_t generation = 0;  // as the header of `text` gives it
    std::string text;        // the whole object, header through its closing keyword and one line end
    uint32_t headerEnd = 0;  // just after the header's "obj"
    uint32_t valueEnd = 0;   // just after the object's dictionary, where known; 0 otherwise
};

// The selected pages whose rotation the edit changes, each page object once, in
// ascending object number. A page object counts under its first listing in the
// page tree, as in a full rewrite, and is edited the same way (each record holds
// the value to write, -force already applied). A page keeps its text when that
// value is the rotation it shows already, its own or the one it inherits.
std::vector<RevisedObject> revisePages(const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                                       const WalkedNodes& walkedNodes);
// The same pages handed to `take` one at a time, in the same order, so that none
// need be held: for a reader that parsed no object with containers left open
// (revisePages also rewrites those).
void revisePagesInTurn(const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                       const WalkedNodes& walkedNodes, const std::function<void(RevisedObject&&)>& take);
// Each page object's first listing in page order, by ascending object number: the
// order in which pages are revised, for a caller that reads the pages more than once.
std::vector<const PageRecord*> firstListings(const std::vector<PageRecord>& pages);
// revisePagesInTurn over the listings that firstListings gave, or a run of them.
void reviseListedPages(const RawObjectReader& reader, std::span<const PageRecord* const> listings,
                       const WalkedNodes& walkedNodes, const std::function<void(RevisedObject&&)>& take);

// The object's value as an object stream holds it: generation 0, a single value
// that is no stream, the text between its header and its closing keyword; none otherwise.
std::optional<std::string_view> objectStreamBody(const RevisedObject& object);
// The same value of an object whose text objectStreamBody has accepted before,
// without reading the value through again.
std::string_view acceptedObjectStreamBody(const RevisedObject& object);
