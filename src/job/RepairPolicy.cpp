#include "job/RepairPolicy.h"

#include "model/PdfException.h"
#include "output/ObjectCopier.h"
#include "output/PageUses.h"
#include "pages/PageTreeWalker.h"
#include "xref/PdfXRef.h"

void RepairPolicy::prepare(PageTreeWalker& walker) const {
    if (repairing) walker.readKidsByContents();
}

uint32_t RepairPolicy::settlePageCount(uint32_t leaves, const std::function<uint32_t()>& declared) {
    bool agrees = false;
    try {
        agrees = declared() == leaves;
    } catch (const CPdfException&) {
        agrees = false;  // a /Count beyond the objects of the file
    }
    if (!agrees) {
        report.pageCountFromLeaves = true;
        report.leafPages = leaves;
    }
    return leaves;
}

void RepairPolicy::noteCrossReference(const CPdfXRef& xref) {
    report.crossReferenceRebuilt = xref.recovery().wasRebuilt();
    report.tableJunkPassedOver = xref.recovery().readTablesLeniently();
}

bool RepairPolicy::rebuildsAfterFailedWalk(const CPdfXRef& xref) const {
    return repairing && !xref.recovery().wasRebuilt();
}

void RepairPolicy::noteRebuiltCrossReference() {
    report.crossReferenceRebuilt = true;
    report.tableJunkPassedOver = false;
}

void RepairPolicy::prepare(ObjectCopier& copier, PageUses& uses) const {
    if (!repairing) return;
    copier.correctStreamLengths();
    copier.notePageUses(uses);
}

void RepairPolicy::noteCopy(const ObjectCopier& copier) {
    report.streamLengthsCorrected = copier.correctedLengths();
    report.endsAdded = copier.endsAdded();
    report.pagesMoved = copier.pagesMoved();
    report.typesCorrected = copier.typesCorrected();
    report.containersClosed = copier.containersClosed();
    report.stringsClosed = copier.stringsClosed();
}

void RepairPolicy::noteObjectsReadClosed(const CPdfXRef& xref) {
    report.containersClosed = xref.recovery().objectsReadWithContainersClosed().size();
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
std::vector<std::string> RepairPolicy::lossNotices(const std::vector<PageRecord>& pages, const OutputTable& written,
                                                   const PageUses& uses, const CPdfXRef& xref) const {
    std::vector<std::string> notices;
    if (!repairing) return notices;
    std::vector<std::string> missingPages;
    for (size_t i = 0; i < pages.size(); ++i) {
        const int32_t number = pages[i].objNum;
        const bool present = written.isWritten(number);
        if (!present) missingPages.push_back(std::to_string(i + 1) + " (object " + std::to_string(number) + ")");
    }
    if (!missingPages.empty())
        notices.push_back(
            lossNotice(missingPages, "page of the page tree was left out", "pages of the page tree were left out"));
    std::vector<std::string> missingUses;
    for (const PageUses::Loss& loss : uses.lost(written, xref.getEntries(), xref.recovery().wasRebuilt()))
        missingUses.push_back(std::to_string(loss.object) + " (page " + std::to_string(loss.page + 1) + ")");
    if (!missingUses.empty())
        notices.push_back(
            lossNotice(missingUses, "object that a page uses was left out", "objects that pages use were left out"));
    return notices;
}
