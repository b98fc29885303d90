// The rotation job for one input file, from the options to the finished output.
#include "job/PdfRotate.h"

#include <algorithm>
#include <filesystem>

#include "crypt/StandardSecurity.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/IncrementalUpdate.h"
#include "output/OutputCheck.h"
#include "output/ObjectCopier.h"
#include "output/OutputFile.h"
#include "output/UpdateChecks.h"
#include "pages/ForceRotation.h"
#include "pages/PageCount.h"
#include "pages/PageList.h"
#include "pages/PageShape.h"
#include "pages/PageTreeWalker.h"
#include "pages/ShownRotation.h"
#include "platform/Platform.h"
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
    // Read before any file is opened: a list that cannot be read leaves nothing behind.
    pageItems.reset();
    if (jobOptions.selection == PageSelection::List && PageItemList::usesExtendedForms(jobOptions.pageText))
        pageItems.emplace(jobOptions.pageText, jobOptions.rotation);
    return static_cast<int32_t>(jobOptions.selection);
}

void CPdfRotate::runSteps() {
    if (jobOptions.passwordFile) jobOptions.password = readPasswordFile(jobOptions.passwordFile);
    openInput();
    output = std::make_unique<OutputFile>(jobOptions.outputName);
    reporter.outputCreated(jobOptions.outputName);

    if (jobOptions.repair) selectPagesRepairing();
    else selectPages();
    if (jobOptions.force) addShownRotations();

    if (jobOptions.incremental) writeUpdate();
    else writeFullRewrite();
    refuseChangedInput();
    // The input is closed before the output replaces it: Windows renames nothing
    // over a file that is open.
    releaseInput();
    output->commit();
    if (jobOptions.repair && !repairs.text().empty()) notices.insert(notices.begin(), repairs.text());
    releaseAll();
    for (const std::string& text : notices) reporter.notice(text);
}

void CPdfRotate::writeFullRewrite() {
    copyHeader();
    ObjectCopier copier(*rawObjects, *output, outputEntries);
    if (jobOptions.repair) copier.correctStreamLengths();
    copier.reportProgressTo([this](size_t copied, size_t total) { reporter.objectsCopied(copied, total); });
    copier.movePages(movedPages);
    copier.correctTypes(mistypedNodes);
    PageUses uses;
    if (jobOptions.repair) copier.notePageUses(uses);
    copier.copyAll(pages);
    repairs.streamLengthsCorrected = copier.correctedLengths();
    repairs.endsAdded = copier.endsAdded();
    repairs.pagesMoved = copier.pagesMoved();
    repairs.typesCorrected = copier.typesCorrected();
    repairs.containersClosed = copier.containersClosed();
    const uint32_t tablePosition = output->position();
    writeXRefTable();
    writeTrailer(tablePosition);
    const std::string fault = faultInRewrite({outputEntries, xref->rootNum(), pageTreeNodes, pages,
                                              copier.endsUnknown(), output->incompleteCopies()});
    if (!fault.empty()) failOutputCheck(fault);
    objectsLeftOut = !copier.unreadable().empty();
    if (objectsLeftOut) notices.push_back(unreadableNotice(copier.unreadable()));
    if (jobOptions.repair) noticeLosses(uses);
}

// A certified document is told of only when an update is appended: an output
// that is the input unchanged is no change after signing.
void CPdfRotate::writeUpdate() {
    const size_t rewritten = writeIncrementalUpdate(*output, *rawObjects, pages);
    // Every object read with a container closed went into the update closed, or the update failed.
    repairs.containersClosed = xref->objectsReadWithContainersClosed().size();
    if (output->incompleteCopies() != 0) failOutputCheck("the input ended before it was copied whole");
    if (certified && rewritten > 0) notices.push_back(certificationNotice);
}

void CPdfRotate::openInput() {
    std::string why;
    inputFile = platform::openInputFile(jobOptions.inputName, why);
    if (!inputFile) {
        const std::string missing = CPdfException::formatted("Input file open error: %s\n", jobOptions.inputName).messageText();
        std::error_code unused;
        if (std::filesystem::exists(jobOptions.inputName, unused)) throw CPdfException(missing + why + "\n");
        throw CPdfException(missing);
    }
    platform::stampOf(inputFile, inputStamp);
    reporter.inputOpened(jobOptions.inputName);

    openDocument();
    platform::seekFile(inputFile, 0, SEEK_END);
    inputSize = static_cast<uint64_t>(std::max<int64_t>(platform::tellFile(inputFile), 0));
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
    if (pageItems) {
        pageCount = countPages();
        announceItems();
        walkFromCatalogue();
        markItems();
        return;
    }
    if (jobOptions.selection != PageSelection::List) jobOptions.pageText = buildPageText(jobOptions.selection, countPages());
    reporter.selectionChosen(jobOptions.rotation, jobOptions.pageText);
    walkFromCatalogue();
    parsePageList(jobOptions.pageText.c_str());
}

// The page numbers of the items are settled against the page count before the
// console line shows them.
void CPdfRotate::announceItems() {
    pageItems->resolve(pageCount);
    reporter.itemsChosen(pageItems->summary());
}

// Landscape and portrait need each page's shape; a page whose boxes cannot be
// read counts as portrait, and the user is told how many there were.
void CPdfRotate::markItems() {
    ShapeSurvey survey;
    if (pageItems->needsShapes()) {
        survey = surveyShapes(*xref, pages, pageCount);
        if (survey.unreadable > 0)
            notices.push_back("Page boxes unreadable: " + std::to_string(survey.unreadable) +
                              (survey.unreadable == 1 ? " page" : " pages") + " counted as portrait");
    }
    pageItems->mark(pages, survey.shapes);
}

void CPdfRotate::walkFromCatalogue() {
    PageTreeWalker walker(xref->getEntries().size(), objectLayout.fileSize(), [this] { progressDot(); });
    if (jobOptions.repair) walker.readKidsByContents();
    CPdfElement root;
    int32_t rootNodeNumber = -1;
    fetchPageTreeRoot(root, rootNodeNumber, walker.nodeSieve());
    walkPageTree(walker, root, rootNodeNumber);
}

// The document reads the job's own handle: a file replaced under the input's name
// while the job runs cannot give the cross-reference of one file and the bytes of
// another. An update must extend a sound file: under -incremental a damaged
// cross-reference is refused as such, and so is a file that cannot take an update.
void CPdfRotate::openDocument() {
    try {
        document.open(inputFile, jobOptions.repair, jobOptions.password);
    } catch (const CPdfException& failure) {
        if (jobOptions.incremental && document.crossReferenceState() == CrossReferenceState::Damaged)
            refuseDamagedCrossReference(failure);
        throw;
    }
    refuseRestrictedFile();
    if (jobOptions.incremental) checkUpdatable(inputFile, document);
}

// A conforming processor does what the permissions of an encrypted file allow;
// rotating pages is assembling the document.
void CPdfRotate::refuseRestrictedFile() {
    const StandardSecurity* security = document.xref()->security();
    if (security && !security->allowsAssembling())
        throw CPdfException("\nPDF file's permissions do not allow assembling or modifying it, and rotating pages is "
                            "assembling: the owner password lifts this restriction");
}

// The catalogue is asked for under the generation that its entry gives, or 0 for
// an object kept in an object stream.
void CPdfRotate::fetchPageTreeRoot(CPdfElement& root, int32_t& rootNodeNumber, PageTreeSieve sieve) {
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
    certified = jobOptions.incremental && carriesCertification(catalogue);
    CPdfElement reference;
    catalogue.dictionary()->findRaw("Pages", reference);
    if (reference.is(ElementType::Reference)) rootNodeNumber = reference.refNum();
    catalogue.dictionary()->find("Pages", root, &sieve);
    if (!root.is(ElementType::Dictionary)) throw CPdfException("PDF file was damaged\n");
}

void CPdfRotate::walkPageTree(PageTreeWalker& walker, const CPdfElement& root, int32_t rootNumber) {
    walker.walk(root, rootNumber, pages);
    pageTreeNodes = walker.nodeNumbers();
    numberDirectPages(walker.directPages());
    mistypedNodes = walker.mistyped();
    std::sort(mistypedNodes.begin(), mistypedNodes.end());
}

// Pages written directly in /Kids get numbers past the highest in use, one per
// place in the tree (a node listed twice lists its kids twice). An incremental
// update cannot add them: there they stay without a number, as without -repair.
void CPdfRotate::numberDirectPages(const std::vector<PageTreeWalker::DirectPage>& direct) {
    movedPages.clear();
    if (direct.empty() || jobOptions.incremental) return;
    for (const PageTreeWalker::DirectPage& page : direct) movedPages.push_back({page.parent, page.kidIndex, 0, page.page});
    std::stable_sort(movedPages.begin(), movedPages.end(), [](const MovedPage& a, const MovedPage& b) {
        return a.parent != b.parent ? a.parent < b.parent : a.kidIndex < b.kidIndex;
    });
    std::vector<MovedPage> unique;
    int32_t next = static_cast<int32_t>(xref->getEntries().size());
    for (const MovedPage& page : movedPages) {
        const bool again = !unique.empty() && unique.back().parent == page.parent && unique.back().kidIndex == page.kidIndex;
        if (!again) unique.push_back({page.parent, page.kidIndex, next++, page.page});
        pages[page.page].objNum = unique.back().number;
        pages[page.page].facts.parent = page.parent;
    }
    movedPages = std::move(unique);
}

// A dot for every eleventh page tree node visited.
void CPdfRotate::progressDot() {
    if (++progressCounter <= 10) return;
    progressCounter = 0;
    if (deferProgress) ++deferredDots;
    else reporter.pageTreeProgress();
}

// "-force" turns each selected page from the rotation it shows, own or inherited.
void CPdfRotate::addShownRotations() {
    ShownRotation shown(*xref);
    for (PageRecord& page : pages) {
        if (page.selected) page.rotation = forcedRotation(reducedRotation(shown.ofPage(page)), page.rotation);
    }
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

void CPdfRotate::writeXRefTable() { ::writeXRefTable(*output, outputEntries); }

void CPdfRotate::writeTrailer(uint32_t tablePosition) {
    ::writeTrailer(*output, outputEntries, {xref->rootNum(), xref->rootGen()}, {xref->infoNum(), xref->infoGen()},
                   tablePosition, keptEncryption());
}

// An encrypted input's output keeps its encryption dictionary (copied as an
// object), and with the same Encrypt and ID the same key opens it.
std::string CPdfRotate::keptEncryption() const {
    if (!xref->security()) return std::string();
    CPdfElement ids;
    xref->trailerDictionary().dictionary()->find("ID", ids);
    std::vector<std::string> strings;
    for (int32_t i = 0; ids.is(ElementType::Array) && i < static_cast<int32_t>(ids.array()->size()); ++i) {
        CPdfElement id;
        ids.array()->at(i, id);
        strings.emplace_back(id.stringBytes());
    }
    return encryptionEntries({xref->encryptNum(), xref->encryptGen()}, strings);
}

void CPdfRotate::writeNumber(uint32_t value) { ::writeNumber(*output, value); }

// An input that grows, shrinks or is rewritten while the job reads it may have
// given half of one version and half of another: the output is not kept.
void CPdfRotate::refuseChangedInput() {
    platform::FileStamp now;
    if (!platform::stampOf(inputFile, now) || !(now == inputStamp))
        throw CPdfException::formatted("\nInput file changed while it was read: %s\n", jobOptions.inputName);
}

// The last check before anything is replaced found the output unsound: the job
// fails, and the output is removed as on every failure.
void CPdfRotate::failOutputCheck(const std::string& fault) { ::failOutputCheck(fault); }

std::string CPdfRotate::unreadableNotice(const std::vector<int32_t>& numbers) {
    constexpr size_t shown = 5;
    std::string text = "Warning: " + std::to_string(numbers.size()) +
                       (numbers.size() == 1 ? " object" : " objects") +
                       " that the cross-reference lists in use could not be read and " +
                       (numbers.size() == 1 ? "was" : "were") + " left out:";
    for (size_t i = 0; i < numbers.size() && i < shown; ++i) text += (i ? ", " : " ") + std::to_string(numbers[i]);
    if (numbers.size() > shown) text += ", ...";
    return text;
}

// The input closes before an unfinished output is removed.
void CPdfRotate::releaseInput() {
    rawObjects.reset();
    if (document.isOpen) document.close();  // it reads through the handle below
    xref = nullptr;
    if (inputFile) std::fclose(inputFile);
    inputFile = nullptr;
}

void CPdfRotate::releaseAll() {
    releaseInput();
    output.reset();
}
