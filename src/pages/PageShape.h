#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pages/PageRecord.h"
#include "xref/NumberMap.h"

class CPdfDictionary;
class CPdfElement;
class CPdfXRef;
class ShownRotation;

// How a page is displayed: wider than tall, or not. Unknown when its boxes cannot
// be read; it then counts as portrait.
enum class PageShape : uint8_t { Portrait, Landscape, Unknown };

// A box of a page, its corners in either order as ISO 32000 allows.
struct PageBox {
    double left = 0, bottom = 0, right = 0, top = 0;
    double width() const { return right - left; }
    double height() const { return top - bottom; }
};

// What a dictionary says of one of its boxes: nothing, a box, or a value that is
// no box (not an array of four numbers, or of no area).
struct BoxEntry {
    enum class State : uint8_t { Absent, Box, Unreadable };
    State state = State::Absent;
    PageBox box;
};
BoxEntry boxEntryOf(const CPdfDictionary& dictionary, const char* key);

// The size a page is displayed at, in points: its visible box, with width and
// height swapped when it shows a quarter turn.
struct DisplayedSize {
    double width = 0, height = 0;
    PageShape shape() const { return width > height ? PageShape::Landscape : PageShape::Portrait; }
};

// The shape each page is displayed in: its crop box (clipped to the media box, as
// ISO 32000 says) where it has a usable one, otherwise its media box, both
// inherited along /Parent; a shown rotation of 90 or 270 swaps width and height.
// Each page object is read once more for its boxes, however often the tree lists
// it, and only its shape is kept (a byte per object number); the boxes of each
// page tree node are kept once, however many pages inherit them.
class PageShapes {
public:
    PageShapes(CPdfXRef& xref, ShownRotation& shown);

    PageShape ofPage(const PageRecord& page);
    // The size `page` is displayed at, from its dictionary as already fetched (whole,
    // or with its boxes and /Parent at least) and its nodes; none when its boxes
    // cannot be read.
    std::optional<DisplayedSize> sizeOf(const PageRecord& page, const CPdfDictionary& pageDictionary);

private:
    PageShape readShape(const PageRecord& page);
    struct InheritedBoxes {
        BoxEntry media, crop;
    };
    InheritedBoxes ofNode(int32_t nodeNumber, int depth);
    void inheritMissing(InheritedBoxes& boxes, int32_t parent, int depth);
    bool fetch(int32_t number, CPdfElement& out);

    CPdfXRef& xref;
    ShownRotation& shown;
    NumberMap<uint8_t> knownShapes;  // by object number: 0 not read yet, else the shape plus 1
    std::unordered_map<int32_t, InheritedBoxes> nodeBoxes;
    std::unordered_set<int32_t> nodesInProgress;
};

// The shapes of the first `count` pages (at most all of them), and how many of
// those could not be read.
struct ShapeSurvey {
    std::vector<PageShape> shapes;
    uint32_t unreadable = 0;
};
ShapeSurvey surveyShapes(CPdfXRef& xref, const std::vector<PageRecord>& pages, uint32_t count);
