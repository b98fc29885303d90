// The steps of the rotation job that "-repair" changes.
#include "job/PdfRotate.h"

#include "model/PdfException.h"
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
    if (jobOptions.incremental) checkUpdatable(inputFile, document);
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
