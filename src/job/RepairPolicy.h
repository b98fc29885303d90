#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "job/RepairReport.h"
#include "output/XRefWriter.h"
#include "pages/PageRecord.h"
#include "xref/ObjectExtent.h"

class CPdfXRef;
class ObjectCopier;
class PageTreeWalker;
class PageUses;

// What "-repair" changes in the rotation job, asked in one place: whether the
// cross-reference may be rebuilt after the page tree could not be walked, how the
// tree is read and its pages counted, what the copier corrects, and what the
// output says of it all. Without -repair every answer keeps the job as it is.
class RepairPolicy {
public:
    explicit RepairPolicy(bool repairing = false) : repairing(repairing) {}

    // How the input is read: damage recovered as other readers recover it, or refused.
    ReadMode readMode() const { return repairing ? ReadMode::Recovering : ReadMode::Strict; }

    // The tree is read by what each kid holds, whatever its /Type says.
    void prepare(PageTreeWalker& walker) const;
    // The page tree is walked before the selection is announced: its leaves give
    // the page count where the root's /Count disagrees with them.
    bool countsPagesFromLeaves() const { return repairing; }
    // The page count from the `leaves` the walk found; a `declared` count (which
    // may throw) that disagrees with them is told in the report.
    uint32_t settlePageCount(uint32_t leaves, const std::function<uint32_t()>& declared);

    // How the cross-reference that the page tree is walked over was read.
    void noteCrossReference(const CPdfXRef& xref);
    // A walk that failed over a cross-reference read from the file's sections is
    // tried again over one rebuilt by scanning the file.
    bool rebuildsAfterFailedWalk(const CPdfXRef& xref) const;
    void noteRebuiltCrossReference();

    // Streams are written with the Length of their data, and the objects each page
    // uses are noted in `uses`.
    void prepare(ObjectCopier& copier, PageUses& uses) const;
    void noteCopy(const ObjectCopier& copier);
    // The objects read with a container closed: an update holds each closed, or it
    // failed; -info read them so.
    void noteObjectsReadClosed(const CPdfXRef& xref);
    // "Warning:" lines for the pages of the tree and the objects pages use that the
    // output lacks; none without -repair.
    std::vector<std::string> lossNotices(const std::vector<PageRecord>& pages, const OutputTable& written,
                                         const PageUses& uses, const CPdfXRef& xref) const;

    // "File repaired: " and what was done; empty without -repair or when the file
    // needed nothing.
    std::string reportLine() const { return repairing ? report.text() : std::string(); }

private:
    bool repairing;
    RepairReport report;
};
