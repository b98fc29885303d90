#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rotate/ObjectLayout.h"
#include "xref/PdfDocument.h"
#include "xref/XRefEntry.h"

class CPdfElement;
class CPdfXRef;

// The kinds of page selection that the options ask for.
enum class PageSelection : int32_t {
    List = 1,
    All = 2,
    Odd = 3,
    Even = 4,
    FirstHalf = 5,
    LastHalf = 6,
};

// One leaf page of the page tree, in document order.
struct PageRecord {
    int32_t objNum = 0;  // -1 for a page given directly inside Kids: it has no object number
    int32_t rotation = 0;
    uint8_t selected = 0;
};

// One record of the output's cross-reference table per object number.
struct OutputEntry {
    uint32_t offset = 0;
    int32_t gen = 0;
    int32_t written = 0;
};

// The rotation job for one input file.
class CPdfRotate {
public:
    CPdfRotate() = default;
    CPdfRotate(const CPdfRotate&) = delete;
    CPdfRotate& operator=(const CPdfRotate&) = delete;
    virtual ~CPdfRotate() = default;

    // The whole job: options, input, page selection, output. Throws CPdfException;
    // on failure nothing is left open and no partial output remains.
    void run(int argc, char** argv);

    // Reads the argument vector into the job's fields.
    int32_t parseOptions(int argc, char** argv);
    // Validates the page list against the page count and marks the listed pages.
    void parsePageList(const char* text);
    // The page list that a named selection stands for.
    std::string buildPageText(PageSelection kind);

    // `nodeNumber`: the root's object number, when it has one (-1 otherwise).
    void walkPageTree(const CPdfElement& node, int32_t nodeNumber = -1);
    uint32_t countPages();

    void copyHeader();
    void writeXRefTable();
    void writeTrailer(uint32_t tablePosition);
    void writeNumber(uint32_t value);

    FILE* inputFile = nullptr;
    FILE* outputFile = nullptr;
    const char* inputName = nullptr;
    const char* outputName = nullptr;
    const std::vector<XRefEntry>* entries = nullptr;
    CPdfDocument document;
    CPdfXRef* xref = nullptr;
    int32_t infoNum = 0;
    int32_t rootNum = 0;
    uint32_t pageCount = 0;
    int32_t rotation = 0;
    bool force = false;
    std::vector<OutputEntry> outputEntries;
    std::vector<PageRecord> pages;
    std::string pageText;
    int32_t progressCounter = 0;

private:
    void runSteps(int32_t kind);
    void openOutput();
    void finishOutput();
    void abandonOutput();
    void closeAll();
    void fetchPageTreeRoot(CPdfElement& root, int32_t& rootNodeNumber);
    void writeObjects();
    void writeObject(int32_t number, const struct RawObject& object, const PageRecord* page);
    void writeRotatedPage(const struct RawObject& object, PageRecord page);
    void walkNode(const CPdfElement& node, int depth);
    void markPage(uint32_t page);
    void write(const void* bytes, size_t length);
    void write(const std::string& text) { write(text.data(), text.size()); }
    // `before`, the number in decimal, `after`.
    void writeFramed(const char* before, int64_t number, const char* after);
    uint32_t outputPosition();
    int32_t outputGeneration(int32_t number, int32_t fallback) const;

    ObjectLayout objectLayout;   // where the input's objects start, for raw reads
    std::string writeTarget;     // the file being written: outputName, or a temporary beside the input
    std::string replacedInput;   // for an output that is the input: the input's final path
    bool outputPending = false;  // writeTarget exists and is not complete
    uint64_t bytesWritten = 0;   // the output's length so far, which is also its position
    std::vector<uint8_t> onPath; // page tree nodes on the current path, by object number
    uint64_t kidsVisited = 0;
};
