// The selection step of the rotation job: the page count, the console line that
// tells the selection, the page tree walk and the marks on the selected pages.
#include <algorithm>

#include "job/RotationSteps.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/SignedFields.h"
#include "output/UpdateChecks.h"
#include "pages/PageCount.h"
#include "pages/PageList.h"
#include "pages/PageShape.h"
#include "pages/RepeatedPages.h"
#include "rawtext/RawObject.h"
#include "xref/EntryFetch.h"
#include "xref/PdfXRef.h"

// One flow for every selection. A named selection or a list of items needs the
// page count before its line is printed; a plain list is checked against it after
// the walk. Under -repair the walk comes first, as its leaves may give the count,
// and its progress dots wait until the line is out: the console reads as always.
void RotationSteps::selectPages() {
    const bool leavesFirst = repair.countsPagesFromLeaves();
    const bool countAnnounced = pageItems || jobOptions.selection != PageSelection::List;
    if (leavesFirst) {
        deferProgress = true;
        walkPageTree();
        deferProgress = false;
        pageCount = repair.settlePageCount(static_cast<uint32_t>(pages.size()), [this] { return countPages(); });
    } else if (countAnnounced) {
        pageCount = countPages();
    }
    announceSelection();
    if (leavesFirst) {
        releaseDeferredDots();
    } else {
        walkPageTree();
        if (!countAnnounced) pageCount = countPages();
    }
    markSelection();
}

// Items get their page numbers settled against the page count before the line
// shows them; a named selection is shown as the page list it stands for.
void RotationSteps::announceSelection() {
    if (pageItems) {
        pageItems->resolve(pageCount);
        reporter.itemsChosen(pageItems->summary());
        return;
    }
    if (jobOptions.selection != PageSelection::List)
        jobOptions.pageText = buildPageText(jobOptions.selection, pageCount);
    if (jobOptions.upright) reporter.uprightChosen(jobOptions.pageText);
    else reporter.selectionChosen(jobOptions.rotation, jobOptions.pageText);
}

// An object listed twice in the tree is marked at each listing as the items
// ask, and then given one mark for all of them: it holds one rotation.
void RotationSteps::markSelection() {
    const RepeatedPages repeated(pages);
    std::vector<uint32_t> markedBy;
    if (pageItems) {
        markItems(repeated.none() ? nullptr : &markedBy);
    } else if (jobOptions.info && jobOptions.selection == PageSelection::All) {
        // -info without a page list describes every page, also of a file that has none.
        for (PageRecord& page : pages) page.selected = 1;
    } else {
        markPageList(jobOptions.pageText.c_str(), pageCount, jobOptions.rotation, pages);
        if (jobOptions.upright)
            for (PageRecord& page : pages) page.upright = page.selected;
    }
    if (repeated.none()) return;
    const RepeatedPages::Settlement settled = repeated.settle(pages, pageItems ? &markedBy : nullptr);
    for (const RepeatedPages::Conflict& conflict : settled.shown) reporter.warning(repeatedPageWarning(conflict));
    if (settled.conflicts > settled.shown.size())
        reporter.warning(std::to_string(settled.conflicts - settled.shown.size()) +
                         " more page objects are listed more than once and asked for different rotations; each "
                         "gets the angle of the last item that names any of its listings");
}

// Landscape and portrait need each page's shape; a page whose boxes cannot be
// read counts as portrait, and the user is told how many there were.
void RotationSteps::markItems(std::vector<uint32_t>* markedBy) {
    ShapeSurvey survey;
    if (pageItems->needsShapes()) {
        survey = surveyShapes(*xref, pages, pageCount);
        if (survey.unreadable > 0)
            notices.push_back("Page boxes unreadable: " + std::to_string(survey.unreadable) +
                              (survey.unreadable == 1 ? " page" : " pages") + " counted as portrait");
    }
    pageItems->mark(pages, survey.shapes, markedBy);
}

uint32_t RotationSteps::countPages() { return countDeclaredPages(*rawObjects, xref->rootNum()); }

// A cross-reference that was read from the file but leads to no page tree that
// can be walked gets one more chance where the repair policy allows it: rebuilt
// by scanning the file.
void RotationSteps::walkPageTree() {
    repair.noteCrossReference(*xref);
    try {
        walkFromCatalogue();
        return;
    } catch (const CPdfException&) {
        if (!repair.rebuildsAfterFailedWalk(*xref)) throw;
    }
    rebuildAndWalkAgain();
}

void RotationSteps::rebuildAndWalkAgain() {
    pages.clear();
    progressCounter = 0;
    deferredDots = 0;
    document.rebuildCrossReference();
    if (jobOptions.incremental) checkUpdatable(document);
    bindCrossReference();
    repair.noteRebuiltCrossReference();
    walkFromCatalogue();
}

void RotationSteps::walkFromCatalogue() {
    PageTreeWalker walker(static_cast<size_t>(xref->getEntries().numberBound()), xref->extents().layout().fileSize(),
                          [this] { progressDot(); });
    walker.expectObjects(static_cast<size_t>(xref->getEntries().listedCount()));
    repair.prepare(walker);
    int32_t rootNodeNumber = -1;
    const CPdfElement root = fetchPageTreeRoot(rootNodeNumber, walker.nodeSieve());
    reservePageList(root);
    walker.walk(root, rootNodeNumber, pages);
    keepWalkResults(walker);
}

// The list takes the room the root's /Count asks for at once, rather than grow
// by doubling to up to twice the room it needs. A /Count may lie: no more is
// taken than the entries listed allow, nor than a modest bound.
void RotationSteps::reservePageList(const CPdfElement& root) {
    CPdfElement count;
    root.dictionary()->findRaw("Count", count);
    if (!count.is(ElementType::Integer) || count.integer() <= 0) return;
    const uint64_t bound = std::min<uint64_t>(xref->getEntries().listedCount(), limits::reservedPageRecords);
    pages.reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(count.integer()), bound)));
}

// The catalogue is asked for under the generation that its entry gives.
CPdfElement RotationSteps::fetchPageTreeRoot(int32_t& rootNodeNumber, PageTreeSieve sieve) {
    const CPdfElement catalogue = fetchAtEntryGeneration(*xref, xref->rootNum());
    if (!catalogue.is(ElementType::Dictionary)) throw CPdfException(FailureKind::Damaged, message::damagedLine);
    certified = (jobOptions.incremental || jobOptions.info) && carriesCertification(catalogue);
    signedFields = !jobOptions.incremental && carriesSignedFields(catalogue);
    CPdfElement reference;
    catalogue.dictionary()->findRaw("Pages", reference);
    if (reference.is(ElementType::Reference)) rootNodeNumber = reference.refNum();
    CPdfElement root;
    catalogue.dictionary()->find("Pages", root, &sieve);
    if (!root.is(ElementType::Dictionary)) throw CPdfException(FailureKind::Damaged, message::damagedLine);
    return root;
}

void RotationSteps::keepWalkResults(PageTreeWalker& walker) {
    pageTreeNodes = walker.nodeNumbers();
    numberDirectPages(walker.directPages());
    mistypedNodes = walker.mistyped();
    nodeRotations = walker.takeNodeRotations();
    std::sort(mistypedNodes.begin(), mistypedNodes.end());
}

// Pages written directly in /Kids get numbers past the highest in use, one per
// place in the tree (a node listed twice lists its kids twice). An incremental
// update cannot add them: there they stay without a number, as without -repair.
void RotationSteps::numberDirectPages(const std::vector<PageTreeWalker::DirectPage>& direct) {
    movedPages.clear();
    // -info, which writes nothing, describes them where they are.
    if (direct.empty() || jobOptions.incremental || jobOptions.info) return;
    // Numbers past the last an object may have leave the pages where they are.
    if (xref->getEntries().numberBound() + static_cast<int64_t>(direct.size()) > limits::maximumEntries) return;
    for (const PageTreeWalker::DirectPage& page : direct)
        movedPages.push_back({page.parent, page.kidIndex, 0, page.page});
    std::stable_sort(movedPages.begin(), movedPages.end(), [](const MovedPage& a, const MovedPage& b) {
        return a.parent != b.parent ? a.parent < b.parent : a.kidIndex < b.kidIndex;
    });
    std::vector<MovedPage> unique;
    int32_t next = static_cast<int32_t>(xref->getEntries().numberBound());
    for (const MovedPage& page : movedPages) {
        const bool again =
            !unique.empty() && unique.back().parent == page.parent && unique.back().kidIndex == page.kidIndex;
        if (!again) unique.push_back({page.parent, page.kidIndex, next++, page.page});
        pages[page.page].objNum = unique.back().number;
        pages[page.page].facts.parent = page.parent;
    }
    movedPages = std::move(unique);
}

// A dot for every eleventh page tree node visited.
void RotationSteps::progressDot() {
    if (++progressCounter <= 10) return;
    progressCounter = 0;
    if (deferProgress) ++deferredDots;
    else reporter.pageTreeProgress();
}

void RotationSteps::releaseDeferredDots() {
    for (; deferredDots > 0; --deferredDots) reporter.pageTreeProgress();
}
