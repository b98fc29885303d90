// The rotation job for one input file, from the options to the finished output.
#include "job/PdfRotate.h"

#include <sys/types.h>

#include <algorithm>

#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/ObjectCopier.h"
#include "output/OutputFile.h"
#include "pages/PageCount.h"
#include "pages/PageList.h"
#include "pages/PageTreeWalker.h"
#include "rawtext/RawObject.h"
#include "xref/PdfXRef.h"

CPdfRotate::CPdfRotate() : reporter(silence) {}
CPdfRotate::CPdfRotate(JobReporter& reporter) : reporter(reporter) {}
CPdfRotate::~CPdfRotate() { releaseAll(); }

void CPdfRotate::run(int argc, char** argv) {
    parseOptions(argc, argv);
    try {
        runSteps();
    } catch (...) {
        releaseAll();
        throw;
    }
}

int32_t CPdfRotate::parseOptions(int argc, char** argv) {
    jobOptions = parseJobOptions(argc, argv);
    return static_cast<int32_t>(jobOptions.selection);
}

void CPdfRotate::runSteps() {
    openInput();
    output = std::make_unique<OutputFile>(jobOptions.inputName, jobOptions.outputName);
    reporter.outputCreated(jobOptions.outputName);

    if (jobOptions.repair) selectPagesRepairing();
    else selectPages();

    copyHeader();
    copyObjects();
    const uint32_t tablePosition = output->position();
    writeXRefTable();
    writeTrailer(tablePosition);
    output->commit();
    if (jobOptions.repair) reportRepairs();
    releaseAll();
}

void CPdfRotate::openInput() {
    inputFile = std::fopen(jobOptions.inputName, "rb");
    if (!inputFile) throw CPdfException::formatted("Input file open error: %s\n", jobOptions.inputName);
    reporter.inputOpened(jobOptions.inputName);

    document.open(jobOptions.inputName, jobOptions.repair);
    fseeko(inputFile, 0, SEEK_END);
    inputSize = static_cast<uint64_t>(std::max<off_t>(ftello(inputFile), 0));
    bindCrossReference();
}

// The parts that read through the document's cross-reference, made anew when it is rebuilt.
void CPdfRotate::bindCrossReference() {
    xref = document.xref();
    outputEntries.assign(xref->getEntries().size(), OutputEntry{});
    objectLayout = ObjectLayout(xref->getEntries(), xref->baseOffset(), inputSize);
    rawObjects = std::make_unique<RawObjectReader>(inputFile, *xref, objectLayout);
}

void CPdfRotate::selectPages() {
    if (jobOptions.selection != PageSelection::List) jobOptions.pageText = buildPageText(jobOptions.selection, countPages());
    reporter.selectionChosen(jobOptions.rotation, jobOptions.pageText);
    walkFromCatalogue();
    parsePageList(jobOptions.pageText.c_str());
}

void CPdfRotate::walkFromCatalogue() {
    CPdfElement root;
    int32_t rootNodeNumber = -1;
    fetchPageTreeRoot(root, rootNodeNumber);
    walkPageTree(root, rootNodeNumber);
}

// The catalogue is asked for under the generation that its entry gives, or 0 for
// an object kept in an object stream.
void CPdfRotate::fetchPageTreeRoot(CPdfElement& root, int32_t& rootNodeNumber) {
    const std::vector<XRefEntry>& entries = xref->getEntries();
    const int32_t rootNum = xref->rootNum();
    int32_t generation = 0;
    if (rootNum >= 0 && static_cast<size_t>(rootNum) < entries.size()) {
        const XRefEntry& entry = entries[static_cast<size_t>(rootNum)];
        generation = entry.type == XRefEntryType::Compressed ? 0 : entry.gen;
    }
    CPdfElement catalogue;
    xref->fetchObject(rootNum, generation, catalogue);
    if (!catalogue.is(ElementType::Dictionary)) throw CPdfException("PDF file was damaged\n");
    CPdfElement reference;
    catalogue.dictionary()->findRaw("Pages", reference);
    if (reference.is(ElementType::Reference)) rootNodeNumber = reference.refNum();
    catalogue.dictionary()->find("Pages", root);
    if (!root.is(ElementType::Dictionary)) throw CPdfException("PDF file was damaged\n");
}

void CPdfRotate::walkPageTree(const CPdfElement& root, int32_t rootNumber) {
    PageTreeWalker walker(xref->getEntries().size(), objectLayout.fileSize(), [this] { progressDot(); });
    walker.walk(root, rootNumber, pages);
}

// A dot for every eleventh page tree node visited.
void CPdfRotate::progressDot() {
    if (++progressCounter <= 10) return;
    progressCounter = 0;
    if (deferProgress) ++deferredDots;
    else reporter.pageTreeProgress();
}

uint32_t CPdfRotate::countPages() { return countDeclaredPages(*rawObjects, xref->rootNum()); }

void CPdfRotate::parsePageList(const char* text) {
    pageCount = countPages();
    markPageList(text, pageCount, jobOptions.rotation, pages);
}

// A rebuilt file's head ends at the first object found in it, whether or not a
// later definition replaced that object: what comes before it is the file's own.
void CPdfRotate::copyHeader() {
    const uint32_t headLength = xref->wasRebuilt() ? xref->firstObjectOffset() : headLengthOf(xref->getEntries());
    copyHead(*output, inputFile, headLength, xref->baseOffset());
}

void CPdfRotate::copyObjects() {
    ObjectCopier copier(*rawObjects, *output, outputEntries);
    if (jobOptions.repair) copier.correctStreamLengths();
    copier.copyAll(pages, jobOptions.force);
    repairs.streamLengthsCorrected = copier.correctedLengths();
}

void CPdfRotate::writeXRefTable() { ::writeXRefTable(*output, outputEntries); }

void CPdfRotate::writeTrailer(uint32_t tablePosition) {
    ::writeTrailer(*output, outputEntries, {xref->rootNum(), xref->rootGen()}, {xref->infoNum(), xref->infoGen()},
                   tablePosition);
}

void CPdfRotate::writeNumber(uint32_t value) { ::writeNumber(*output, value); }

// The input closes before an unfinished output is removed.
void CPdfRotate::releaseAll() {
    rawObjects.reset();
    if (inputFile) std::fclose(inputFile);
    inputFile = nullptr;
    if (document.isOpen) document.close();
    xref = nullptr;
    output.reset();
}
