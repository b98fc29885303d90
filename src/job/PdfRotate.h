#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "job/JobOptions.h"
#include "job/JobReporter.h"
#include "job/RepairReport.h"
#include "output/DirectPages.h"
#include "output/XRefWriter.h"
#include "pages/PageItems.h"
#include "pages/PageRecord.h"
#include "pages/PageTreeWalker.h"
#include "platform/Platform.h"
#include "rawtext/ObjectLayout.h"
#include "xref/PdfDocument.h"

class CPdfElement;
class CPdfXRef;
class OutputFile;
class RawObjectReader;

// The rotation job for one input file. It runs the steps in order and hands each
// to the part that does it: the page tree walk and page list (pages/), the raw
// object texts (rawtext/), the output file, object copier and table writer
// (output/), or the incremental update that appends the rotation to the input.
// What it has to say goes to its reporter.
class CPdfRotate {
public:
    // A job that reports nothing.
    CPdfRotate();
    explicit CPdfRotate(JobReporter& reporter);
    CPdfRotate(const CPdfRotate&) = delete;
    CPdfRotate& operator=(const CPdfRotate&) = delete;
    virtual ~CPdfRotate();

    // The whole job: options, input, page selection, output. Throws CPdfException;
    // on failure nothing is left open and no partial output remains.
    void run(int argc, char** argv);

    // Reads the argument vector into the job's options; gives the selection kind.
    int32_t parseOptions(int argc, char** argv);
    // Validates the page list against the page count and marks the listed pages.
    void parsePageList(const char* text);
    // The page count that the page tree's root declares.
    uint32_t countPages();

    void copyHeader();
    void writeXRefTable();
    void writeTrailer(uint32_t tablePosition);
    void writeNumber(uint32_t value);

    const JobOptions& options() const { return jobOptions; }
    const std::vector<PageRecord>& pageRecords() const { return pages; }
    // After run: the output was written without objects that could not be read
    // (or, with -repair, without pages or objects that pages use).
    bool leftObjectsOut() const { return objectsLeftOut; }

private:
    void runSteps();
    void openInput();
    void bindCrossReference();
    void selectPages();
    void announceItems();
    void markItems();
    void openDocument();
    void refuseRestrictedFile();
    std::string keptEncryption() const;
    void writeFullRewrite();
    void writeUpdate();
    void fetchPageTreeRoot(CPdfElement& root, int32_t& rootNodeNumber, PageTreeSieve sieve);
    void walkFromCatalogue();
    void walkPageTree(PageTreeWalker& walker, const CPdfElement& root, int32_t rootNumber);
    void numberDirectPages(const std::vector<PageTreeWalker::DirectPage>& direct);
    void progressDot();
    void addShownRotations();
    void refuseChangedInput();
    static std::string unreadableNotice(const std::vector<int32_t>& numbers);
    void noticeLosses(const class PageUses& uses);
    [[noreturn]] static void failOutputCheck(const std::string& fault);
    void releaseInput();
    void releaseAll();

    // With "-repair" (PdfRotateRepair.cpp).
    void selectPagesRepairing();
    void walkPageTreeRepairing();
    uint32_t pageCountRepairing();

    SilentReporter silence;
    JobReporter& reporter;
    JobOptions jobOptions;
    std::optional<PageItemList> pageItems;  // a page list in the forms beyond numbers and ranges

    FILE* inputFile = nullptr;   // the input for raw reads, beside the document's own handle
    platform::FileStamp inputStamp;
    CPdfDocument document;
    CPdfXRef* xref = nullptr;    // the document's
    ObjectLayout objectLayout;   // where the input's objects start, for raw reads
    std::unique_ptr<RawObjectReader> rawObjects;
    std::unique_ptr<OutputFile> output;

    std::vector<PageRecord> pages;
    std::vector<MovedPage> movedPages;
    std::vector<std::pair<int32_t, bool>> mistypedNodes;  // with -repair: page tree objects whose /Type is wrong (true: a node)  // with -repair: pages written directly in /Kids, by parent and place
    uint32_t pageCount = 0;
    OutputTable outputEntries;
    std::vector<int32_t> pageTreeNodes;  // the nodes the last walk went through
    int32_t progressCounter = 0;

    uint64_t inputSize = 0;
    bool deferProgress = false;  // the walk runs before the selection line is printed
    uint32_t deferredDots = 0;
    RepairReport repairs;
    std::vector<std::string> notices;  // told once the output is complete
    bool objectsLeftOut = false;
    bool certified = false;  // the catalogue carries a certification signature (looked for under -incremental)
};
