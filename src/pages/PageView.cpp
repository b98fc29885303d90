#include "pages/PageView.h"

#include "model/PdfException.h"
#include "xref/EntryFetch.h"
#include "xref/PdfXRef.h"

int32_t rotationModulo360(int32_t rotation) { return (rotation % 360 + 360) % 360; }

PageViewer::PageViewer(CPdfXRef& xref, const WalkedNodes* walked, uint64_t fileSize)
    : xref(xref), shown(xref, walked), shapes(xref, shown), text(xref, fileSize) {}

PageView PageViewer::view(const PageRecord& page) {
    PageView view;
    const int32_t rotation = shown.ofPage(page);
    view.rotation = rotationModulo360(rotation);
    CPdfElement object;
    try {
        if (page.objNum >= 0 && xref.getEntries().find(page.objNum)) object = fetchAtEntryGeneration(xref, page.objNum);
    } catch (const CPdfException&) {
        object.clear();  // a page that cannot be read shows no boxes and no text
    }
    if (!object.is(ElementType::Dictionary)) return view;
    view.size = shapes.sizeOf(page, *object.dictionary());
    const std::optional<int> turn = text.read(page, object).prevailingTurn();
    view.text = shownDirection(turn, rotation);
    view.uprightRotation = uprightRotation(turn, rotation);
    return view;
}
