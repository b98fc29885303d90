#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "job/JobOptions.h"
#include "job/JobReporter.h"
#include "job/RepairPolicy.h"
#include "output/DirectPages.h"
#include "output/XRefWriter.h"
#include "pages/PageItems.h"
#include "pages/PageRecord.h"
#include "pages/PageTreeWalker.h"
#include "platform/Platform.h"
#include "xref/PdfDocument.h"

class CPdfElement;
class CPdfXRef;
class OutputFile;
class RawObjectReader;

// The rotation job for one input file. It runs the steps in order and hands each
// to the part that does it: the page tree walk and page list (pages/), the raw
// object texts (rawtext/), the output file, object copier and table writer
// (output/), or the incremental update that appends the rotation to the input.
// What "-repair" changes is its repair policy's to say. What the job has to say
// goes to its reporter.
class CPdfRotate final {
public:
    // A job that reports nothing.
    CPdfRotate();
    explicit CPdfRotate(JobReporter& reporter);
    CPdfRotate(const CPdfRotate&) = delete;
    CPdfRotate& operator=(const CPdfRotate&) = delete;
    ~CPdfRotate();

    // The whole job: page list, input, page selection, output. Throws
    // CPdfException; on failure nothing is left open and no partial output remains.
    // A job runs once.
    void run(const JobOptions& options);

    // After run: the output was written without objects that could not be read
    // (or, with -repair, without pages or objects that pages use).
    bool leftObjectsOut() const { return objectsLeftOut; }

private:
    void refuseUnusableArguments();
    void readPageItems();
    void refuseForcedUpright() const;
    void runSteps();
    void openInput();
    void openDocument();
    void refuseRestrictedFile();
    void bindCrossReference();
    void writeFullRewrite();
    void writeUpdate();
    void copyHeader();
    void writeTableAndTrailer(bool objectStreamsWritten);
    std::string keptDirectInfo() const;
    std::string keptEncryption() const;
    std::string keptDocumentId() const;
    std::vector<std::string> trailerIds() const;
    void addShownRotations();
    void refuseChangedInput();
    static std::string unreadableNotice(const std::vector<int32_t>& numbers);
    void releaseInput();
    void releaseAll();

    // The selection step (SelectPages.cpp).
    void selectPages();
    void announceSelection();
    void markSelection();
    void markItems(std::vector<uint32_t>* markedBy);
    uint32_t countPages();
    void walkPageTree();
    void rebuildAndWalkAgain();
    void walkFromCatalogue();
    void reservePageList(const CPdfElement& root);
    CPdfElement fetchPageTreeRoot(int32_t& rootNodeNumber, PageTreeSieve sieve);
    void keepWalkResults(PageTreeWalker& walker);
    void numberDirectPages(const std::vector<PageTreeWalker::DirectPage>& direct);
    void progressDot();
    void releaseDeferredDots();

    // The pages whose angle is "auto" (UprightPages.cpp).
    void turnPagesUpright();

    // "-info" in place of an output (DescribeDocument.cpp).
    void describeDocument();
    DocumentDescription describeFile();
    void describeSelectedPages(DocumentDescription& description);

    SilentReporter silence;
    JobReporter& reporter;
    JobOptions jobOptions;
    RepairPolicy repair;
    std::optional<PageItemList> pageItems;  // a page list in the forms beyond numbers and ranges

    FILE* inputFile = nullptr;  // the input for raw reads, beside the document's own handle
    platform::FileStamp inputStamp;
    CPdfDocument document;
    CPdfXRef* xref = nullptr;  // the document's
    std::unique_ptr<RawObjectReader> rawObjects;
    std::unique_ptr<OutputFile> output;

    std::vector<PageRecord> pages;
    std::vector<MovedPage> movedPages;  // with -repair: pages written directly in /Kids, by parent and place
    std::vector<std::pair<int32_t, bool>>
        mistypedNodes;          // with -repair: page tree objects whose /Type is wrong (true: a node)
    WalkedNodes nodeRotations;  // what the walk read of its nodes' rotation
    uint32_t pageCount = 0;
    OutputTable outputEntries;
    std::vector<int32_t> pageTreeNodes;  // the nodes the last walk went through
    int32_t progressCounter = 0;

    uint64_t inputSize = 0;
    bool deferProgress = false;  // the walk runs before the selection line is printed
    uint32_t deferredDots = 0;
    std::vector<std::string> notices;  // told once the output is complete
    bool objectsLeftOut = false;
    bool certified =
        false;  // the catalogue carries a certification signature (looked for under -incremental and -info)
    bool signedFields = false;  // the form holds a signed field (looked for in a full rewrite and under -info)
    std::string sizeHint;       // a full rewrite came out much larger than its input
};
