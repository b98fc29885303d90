#pragma once

#include <cstdint>
#include <optional>

#include "pages/PageRecord.h"
#include "pages/PageShape.h"
#include "pages/PageText.h"
#include "pages/ShownRotation.h"
#include "pages/TextDirection.h"

class CPdfXRef;

// What a page shows a viewer, as "-info" tells it: the rotation it is shown at,
// its displayed size, the direction its text reads in, and the rotation that
// "-rauto" would give it.
struct PageView {
    int32_t rotation = 0;               // own or inherited, modulo 360 (0 to 359)
    std::optional<DisplayedSize> size;  // none when its boxes cannot be read
    TextDirection text = TextDirection::None;
    std::optional<int32_t> uprightRotation;  // none where "-rauto" keeps the page as it is

    // A page whose boxes cannot be read counts as portrait, as the selections count it.
    PageShape shape() const { return size ? size->shape() : PageShape::Portrait; }
};

// Looks at pages as "-rauto" and the landscape and portrait selections do, with
// the same readers: each page is fetched once, whole, for its boxes and its
// content, and each page tree node once for what its pages inherit.
class PageViewer {
public:
    // `walked`: the nodes the page tree walk read, as for ShownRotation; it must
    // outlive the viewer. `fileSize` bounds the content decoded, as for PageTextReader.
    PageViewer(CPdfXRef& xref, const WalkedNodes* walked, uint64_t fileSize);

    PageView view(const PageRecord& page);

private:
    CPdfXRef& xref;
    ShownRotation shown;
    PageShapes shapes;
    PageTextReader text;
};

// A rotation as a viewer shows it: modulo 360, from 0 to 359.
int32_t rotationModulo360(int32_t rotation);
