// The shape each page is displayed in, for the selections "landscape" and "portrait".
#include "pages/PageShape.h"

#include <algorithm>
#include <cmath>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfElement.h"
#include "model/PdfException.h"
#include "pages/ShownRotation.h"
#include "parse/ValueSieve.h"
#include "xref/EntryFetch.h"
#include "xref/PdfXRef.h"

namespace {

std::optional<double> coordinateIn(const CPdfElement& value) {
    if (value.is(ElementType::Integer)) return value.integer();
    if (value.is(ElementType::Real) && std::isfinite(value.real())) return value.real();
    return std::nullopt;
}

int32_t parentOf(const CPdfDictionary& dictionary) {
    CPdfElement parent;
    dictionary.findRaw("Parent", parent);
    return parent.is(ElementType::Reference) ? parent.refNum() : -1;
}

// The crop box is clipped to the media box; one that does not meet it leaves the
// media box, as readers show such a page.
PageBox visibleBox(const PageBox& media, const BoxEntry& crop) {
    if (crop.state != BoxEntry::State::Box) return media;
    const PageBox clipped{std::max(media.left, crop.box.left), std::max(media.bottom, crop.box.bottom),
                          std::min(media.right, crop.box.right), std::min(media.top, crop.box.top)};
    return clipped.width() > 0 && clipped.height() > 0 ? clipped : media;
}

}  // namespace

BoxEntry boxEntryOf(const CPdfDictionary& dictionary, const char* key) {
    BoxEntry entry;
    CPdfElement value;
    dictionary.find(key, value);
    if (value.is(ElementType::Null)) return entry;
    entry.state = BoxEntry::State::Unreadable;
    if (!value.is(ElementType::Array) || value.array()->size() != 4) return entry;
    double corners[4];
    for (int32_t i = 0; i < 4; ++i) {
        CPdfElement corner;
        value.array()->at(i, corner);
        const std::optional<double> number = coordinateIn(corner);
        if (!number) return entry;
        corners[i] = *number;
    }
    entry.box = {std::min(corners[0], corners[2]), std::min(corners[1], corners[3]), std::max(corners[0], corners[2]),
                 std::max(corners[1], corners[3])};
    if (entry.box.width() > 0 && entry.box.height() > 0) entry.state = BoxEntry::State::Box;
    return entry;
}

PageShapes::PageShapes(CPdfXRef& xref, ShownRotation& shown) : xref(xref), shown(shown) {}

PageShape PageShapes::ofPage(const PageRecord& page) {
    if (!xref.getEntries().find(page.objNum)) return PageShape::Unknown;
    uint8_t& known = knownShapes.at(page.objNum);
    if (known == 0) known = static_cast<uint8_t>(readShape(page)) + 1;
    return static_cast<PageShape>(known - 1);
}

PageShape PageShapes::readShape(const PageRecord& page) {
    CPdfElement object;
    if (!fetch(page.objNum, object)) return PageShape::Unknown;
    const std::optional<DisplayedSize> size = sizeOf(page, *object.dictionary());
    return size ? size->shape() : PageShape::Unknown;
}

std::optional<DisplayedSize> PageShapes::sizeOf(const PageRecord& page, const CPdfDictionary& pageDictionary) {
    InheritedBoxes boxes{boxEntryOf(pageDictionary, "MediaBox"), boxEntryOf(pageDictionary, "CropBox")};
    inheritMissing(boxes, page.facts.parent, 1);
    if (boxes.media.state != BoxEntry::State::Box) return std::nullopt;
    const PageBox visible = visibleBox(boxes.media.box, boxes.crop);
    const int32_t rotation = reducedRotation(shown.ofPage(page));
    const bool quarterTurn = rotation % 90 == 0 && rotation % 180 != 0;
    if (quarterTurn) return DisplayedSize{visible.height(), visible.width()};
    return DisplayedSize{visible.width(), visible.height()};
}

// A box that the object does not hold itself comes from the nearest node above
// it that does; a value that is no box still counts as the object's own.
void PageShapes::inheritMissing(InheritedBoxes& boxes, int32_t parent, int depth) {
    const bool complete = boxes.media.state != BoxEntry::State::Absent && boxes.crop.state != BoxEntry::State::Absent;
    if (complete || parent < 0) return;
    const InheritedBoxes above = ofNode(parent, depth);
    if (boxes.media.state == BoxEntry::State::Absent) boxes.media = above.media;
    if (boxes.crop.state == BoxEntry::State::Absent) boxes.crop = above.crop;
}

PageShapes::InheritedBoxes PageShapes::ofNode(int32_t nodeNumber, int depth) {
    if (depth > limits::maximumPageTreeDepth) return {};
    if (const auto known = nodeBoxes.find(nodeNumber); known != nodeBoxes.end()) return known->second;
    if (!nodesInProgress.insert(nodeNumber).second) return {};  // a loop in /Parent
    InheritedBoxes boxes;
    int32_t parent = -1;
    {
        CPdfElement node;
        if (fetch(nodeNumber, node)) {
            boxes = {boxEntryOf(*node.dictionary(), "MediaBox"), boxEntryOf(*node.dictionary(), "CropBox")};
            parent = parentOf(*node.dictionary());
        }
    }
    inheritMissing(boxes, parent, depth + 1);
    nodesInProgress.erase(nodeNumber);
    nodeBoxes.emplace(nodeNumber, boxes);
    return boxes;
}

// An object is fetched under the generation its entry gives (0 in an object
// stream); one that cannot be read has no boxes. Only its boxes and its parent
// are built.
bool PageShapes::fetch(int32_t number, CPdfElement& out) {
    if (!xref.getEntries().find(number)) return false;
    KeySieve shapeEntries{"MediaBox", "CropBox", "Parent"};
    try {
        out = fetchAtEntryGeneration(xref, number, &shapeEntries);
    } catch (const CPdfException&) {
        return false;
    }
    return out.is(ElementType::Dictionary);
}

ShapeSurvey surveyShapes(CPdfXRef& xref, const std::vector<PageRecord>& pages, uint32_t count) {
    ShownRotation shown(xref);
    PageShapes reader(xref, shown);
    ShapeSurvey survey;
    const size_t surveyed = std::min<size_t>(count, pages.size());
    survey.shapes.reserve(surveyed);
    for (size_t i = 0; i < surveyed; ++i) {
        survey.shapes.push_back(reader.ofPage(pages[i]));
        if (survey.shapes.back() == PageShape::Unknown) ++survey.unreadable;
    }
    return survey;
}
