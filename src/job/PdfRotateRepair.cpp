// The steps of the rotation job that "-repair" changes.
#include "job/PdfRotate.h"

#include <string>

#include "model/PdfException.h"
#include "output/PageUses.h"
#include "output/UpdateChecks.h"
#include "pages/PageList.h"
#include "xref/PdfXRef.h"

// The page tree is walked before the selection line is printed, so that the page
// count can come from its leaves where the root's /Count disagrees with them. The
// walk's progress dots wait until that line is out: the console reads as always.
void CPdfRotate::selectPagesRepairing() {
    deferProgress = true;
    walkPageTreeRepairing();
    deferProgress = false;
    pageCount = pageCountRepairing();
    if (pageItems) {
        announceItems();
    } else {
        if (jobOptions.selection != PageSelection::List)
            jobOptions.pageText = buildPageText(jobOptions.selection, pageCount);
        reporter.selectionChosen(jobOptions.rotation, jobOptions.pageText);
    }
    for (; deferredDots > 0; --deferredDots) reporter.pageTreeProgress();
    if (pageItems) markItems();
    else markPageList(jobOptions.pageText.c_str(), pageCount, jobOptions.rotation, pages);
}

// A cross-reference that was read from the file but leads to no page tree that can
// be walked gets one more chance: rebuilt by scanning the file.
void CPdfRotate::walkPageTreeRepairing() {
    repairs.crossReferenceRebuilt = xref->wasRebuilt();
    repairs.tableJunkPassedOver = xref->readTablesLeniently();
    try {
        walkFromCatalogue();
        return;
    } catch (const CPdfException&) {
        if (xref->wasRebuilt()) throw;
    }
    pages.clear();
    progressCounter = 0;
    deferredDots = 0;
    document.rebuildCrossReference();
    if (jobOptions.incremental) checkUpdatable(document);
    bindCrossReference();
    repairs.crossReferenceRebuilt = true;
    repairs.tableJunkPassedOver = false;
    walkFromCatalogue();
}

// The leaves of the page tree, where the count the root declares is another (or
// cannot be read).
uint32_t CPdfRotate::pageCountRepairing() {
    const uint32_t leaves = static_cast<uint32_t>(pages.size());
    bool agrees = false;
    try {
        agrees = countPages() == leaves;
    } catch (const CPdfException&) {
        agrees = false;  // a /Count beyond the objects of the file
    }
    if (!agrees) {
        repairs.pageCountFromLeaves = true;
        repairs.leafPages = leaves;
    }
    return leaves;
}

namespace {

// "Warning: ", what was left out, and up to five of the places it names.
std::string lossNotice(const std::vector<std::string>& places, const char* one, const char* many) {
    constexpr size_t shown = 5;
    std::string text = "Warning: " + std::to_string(places.size()) + " " + (places.size() == 1 ? one : many) + ":";
    for (size_t i = 0; i < places.size() && i < shown; ++i) text += (i ? ", " : " ") + places[i];
    if (places.size() > shown) text += ", ...";
    return text;
}

}  // namespace

// Whatever the damage, a repaired output that lacks a page the walk found, or an
// object a page uses, says so: such a loss is never silent.
void CPdfRotate::noticeLosses(const PageUses& uses) {
    std::vector<std::string> missingPages;
    for (size_t i = 0; i < pages.size(); ++i) {
        const int32_t number = pages[i].objNum;
        const bool written = outputEntries.isWritten(number);
        if (!written) missingPages.push_back(std::to_string(i + 1) + " (object " + std::to_string(number) + ")");
    }
    if (!missingPages.empty())
        notices.push_back(lossNotice(missingPages, "page of the page tree was left out",
                                     "pages of the page tree were left out"));
    std::vector<std::string> missingUses;
    for (const PageUses::Loss& loss : uses.lost(outputEntries, xref->getEntries(), xref->wasRebuilt()))
        missingUses.push_back(std::to_string(loss.object) + " (page " + std::to_string(loss.page + 1) + ")");
    if (!missingUses.empty())
        notices.push_back(lossNotice(missingUses, "object that a page uses was left out",
                                     "objects that pages use were left out"));
    // Either loss is told on a "Warning:" line, as unreadable objects are: exit status 3.
    if (!missingPages.empty() || !missingUses.empty()) objectsLeftOut = true;
}
