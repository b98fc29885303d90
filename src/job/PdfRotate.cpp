// The rotation job's steps for one input file, from the options to the finished output.
#include "job/RotationSteps.h"

#include <algorithm>

#include "crypt/StandardSecurity.h"
#include "job/GrowthHint.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/IncrementalUpdate.h"
#include "output/KeptTrailer.h"
#include "output/ObjectStreamPacker.h"
#include "output/OutputCheck.h"
#include "output/ObjectCopier.h"
#include "output/OutputFile.h"
#include "output/SignedFields.h"
#include "output/UpdateChecks.h"
#include "output/XRefStreamWriter.h"
#include "pages/ForceRotation.h"
#include "pages/ShownRotation.h"
#include "platform/Platform.h"
#include "rawtext/RawObject.h"
#include "rawtext/TrailerText.h"
#include "xref/ConformanceClaims.h"
#include "xref/PdfXRef.h"

RotationSteps::RotationSteps(JobReporter& reporter) : reporter(reporter) {}
RotationSteps::~RotationSteps() { releaseAll(); }

void RotationSteps::run(const JobOptions& options) {
    jobOptions = options;
    repair = RepairPolicy(options.repair);
    refuseUnusableArguments();
    readPageItems();
    try {
        runSteps();
    } catch (...) {
        releaseAll();
        throw;
    }
}

// Refused before any file is opened or read, as a page list that cannot be read is.
void RotationSteps::refuseUnusableArguments() {
    if (!jobOptions.info) OutputFile::refuseUnusableName(jobOptions.outputName);
    if (!jobOptions.rotationBeyondRange.empty())
        throw CPdfException(FailureKind::CommandLine, message::rotationBeyondRange(jobOptions.rotationBeyondRange));
}

// Read before any file is opened: a list that cannot be read leaves nothing behind.
void RotationSteps::readPageItems() {
    pageItems.reset();
    if (jobOptions.selection == PageSelection::List && PageItemList::usesExtendedForms(jobOptions.pageText))
        pageItems.emplace(jobOptions.pageText, jobOptions.rotation, jobOptions.upright);
    refuseForcedUpright();
}

// "-force" adds the angle asked for to the rotation a page shows; an auto angle
// asks for no angle but for the rotation that shows the text upright, whatever the
// page shows now. Together they mean nothing, so nothing is done.
void RotationSteps::refuseForcedUpright() const {
    const bool upright = pageItems ? pageItems->asksUpright() : jobOptions.upright;
    if (jobOptions.force && upright) throw CPdfException(FailureKind::CommandLine, message::forceWithAutoAngle);
}

void RotationSteps::runSteps() {
    if (jobOptions.passwordFile) jobOptions.password = readPasswordFile(jobOptions.passwordFile->c_str());
    openInput();
    if (jobOptions.info) {
        describeDocument();
        return;
    }
    output = std::make_unique<OutputFile>(jobOptions.outputName.c_str());
    reporter.outputCreated(jobOptions.outputName);

    selectPages();
    if (jobOptions.force) addShownRotations();
    turnPagesUpright();

    if (jobOptions.incremental) writeUpdate();
    else writeFullRewrite();
    refuseChangedInput();
    // The input is closed before the output replaces it: Windows renames nothing
    // over a file that is open.
    releaseInput();
    output->commit();
    if (signedFields) reporter.hint(signedRewriteHint);
    if (!sizeHint.empty()) reporter.hint(sizeHint);
    if (const std::string repaired = repair.reportLine(); !repaired.empty()) notices.insert(notices.begin(), repaired);
    releaseAll();
    for (const std::string& text : notices) reporter.notice(text);
}

// The output's table is made only now: the page tree walk, which holds the most
// before, is over, and an incremental update needs none. A compact one lists the
// objects written alone, whatever their numbers.
void RotationSteps::writeFullRewrite() {
    const XRefEntryTable& entries = xref->getEntries();
    outputEntries = jobOptions.compact
                        ? OutputTable(0, false)
                        : OutputTable(static_cast<int32_t>(entries.numberBound()), entries.fitsOneTable());
    copyHeader();
    ObjectCopier copier(*rawObjects, *output, outputEntries);
    ObjectStreamPacker objectStreams(*output, outputEntries, xref->encryption().security());
    if (jobOptions.compact) copier.packInto(objectStreams);
    copier.reportProgressTo([this](size_t copied, size_t total) { reporter.objectsCopied(copied, total); });
    copier.movePages(movedPages);
    copier.correctTypes(mistypedNodes);
    PageUses uses;
    repair.prepare(copier, uses);
    copier.copyAll(pages);
    repair.noteCopy(copier);
    writeTableAndTrailer(objectStreams.streamsWritten() != 0);
    const std::string fault = faultInRewrite(
        {outputEntries, xref->rootNum(), pageTreeNodes, pages, copier.endsUnknown(), output->incompleteCopies()});
    if (!fault.empty()) failOutputCheck(fault);
    objectsLeftOut = !copier.unreadable().empty();
    if (objectsLeftOut) notices.push_back(unreadableNotice(copier.unreadable()));
    // A loss is told on a "Warning:" line, as unreadable objects are: exit status 3.
    for (std::string& loss : repair.lossNotices(pages, outputEntries, uses, *xref)) {
        notices.push_back(std::move(loss));
        objectsLeftOut = true;
    }
    if (!jobOptions.compact) sizeHint = growthHint(inputSize, output->position());
}

// A certified document is told of only when an update is appended: an output
// that is the input unchanged is no change after signing.
void RotationSteps::writeUpdate() {
    const size_t rewritten = writeIncrementalUpdate(*output, *rawObjects, pages, nodeRotations);
    // Every object read with a container closed went into the update closed, or the update failed.
    repair.noteObjectsReadClosed(*xref);
    if (output->incompleteCopies() != 0) failOutputCheck(message::inputEndedBeforeCopied);
    if (certified && rewritten > 0) notices.push_back(certificationNotice);
}

void RotationSteps::openInput() {
    std::string why;
    const char* inputName = jobOptions.inputName.c_str();
    const char* path = jobOptions.inputPath.empty() ? inputName : jobOptions.inputPath.c_str();
    inputFile = platform::openInputFile(path, why);
    if (!inputFile) {
        if (platform::exists(path)) throw CPdfException(FailureKind::Input, message::inputOpenError(inputName, why));
        throw CPdfException(FailureKind::Input, message::inputOpenError(inputName));
    }
    platform::stampOf(inputFile, inputStamp);
    reporter.inputOpened(jobOptions.inputName);

    openDocument();
    platform::seekFile(inputFile, 0, SEEK_END);
    inputSize = static_cast<uint64_t>(std::max<int64_t>(platform::tellFile(inputFile), 0));
    bindCrossReference();
}

// The parts that read through the document's cross-reference, made anew when it is rebuilt.
void RotationSteps::bindCrossReference() {
    xref = document.xref();
    rawObjects = std::make_unique<RawObjectReader>(inputFile, *xref);
}

// The document reads the job's own handle: a file replaced under the input's name
// while the job runs cannot give the cross-reference of one file and the bytes of
// another. An update must extend a sound file: under -incremental a damaged
// cross-reference is refused as such, and so is a file that cannot take an update.
void RotationSteps::openDocument() {
    try {
        document.open(inputFile, repair.readMode(), jobOptions.password);
    } catch (const CPdfException& failure) {
        if (jobOptions.incremental && document.crossReferenceState() == CrossReferenceState::Damaged)
            refuseDamagedCrossReference(failure);
        throw;
    }
    // Telling what a file shows is no assembling: -info reads what a viewer may show.
    if (!jobOptions.info) refuseRestrictedFile();
    if (jobOptions.incremental) checkUpdatable(document);
}

// A conforming processor does what the permissions of an encrypted file allow;
// rotating pages is assembling the document.
void RotationSteps::refuseRestrictedFile() {
    const StandardSecurity* security = document.xref()->encryption().security();
    if (security && !security->allowsAssembling())
        throw CPdfException(FailureKind::Encrypted, message::assemblingForbidden);
}

// "-force" turns each selected page from the rotation it shows, own or inherited.
void RotationSteps::addShownRotations() {
    ShownRotation shown(*xref, &nodeRotations);
    for (PageRecord& page : pages) {
        if (page.selected) page.rotation = forcedRotation(reducedRotation(shown.ofPage(page)), page.rotation);
    }
}

// A rebuilt file's head ends at the first object found in it, whether or not a
// later definition replaced that object: what comes before it is the file's own.
void RotationSteps::copyHeader() {
    const uint64_t headLength =
        xref->recovery().wasRebuilt() ? xref->recovery().firstObjectOffset() : headLengthOf(xref->getEntries());
    copyHead(*output, inputFile, headLength, xref->baseOffset());
}

// A compact output keeps its cross-reference in a stream where objects went into
// object streams, or where the input kept its own newest section in one.
void RotationSteps::writeTableAndTrailer(bool objectStreamsWritten) {
    const bool inputStreamSection = !xref->recovery().wasRebuilt() && xref->newestSection().isStream;
    if (jobOptions.compact && (objectStreamsWritten || inputStreamSection)) {
        writeXRefStream(*output, outputEntries, {xref->rootNum(), xref->rootGen()}, {xref->infoNum(), xref->infoGen()},
                        keptDirectInfo() + keptEncryption() + keptDocumentId());
        return;
    }
    const uint64_t tablePosition = output->position();
    writeXRefTable(*output, outputEntries);
    writeTrailer(*output, outputEntries, {xref->rootNum(), xref->rootGen()}, {xref->infoNum(), xref->infoGen()},
                 tablePosition, keptDirectInfo() + keptEncryption() + keptDocumentId());
}

// An Info written directly in the trailer is part of no object, and so is not
// copied with them: the document's title and author would be lost.
std::string RotationSteps::keptDirectInfo() const {
    CPdfElement info;
    xref->trailerDictionary().dictionary()->findRaw("Info", info);
    const std::optional<TrailerPlace>& place = xref->trailerPlace();
    TrailerText trailer;
    if (!info.is(ElementType::Dictionary) || !place || !xref->blockCache() ||
        !readTrailerText(*xref->blockCache(), place->start, !place->isTable, inputSize, trailer))
        return std::string();
    return directInfoEntry(trailer);
}

// An encrypted input's output keeps its encryption dictionary (copied as an
// object, or in the trailer as the input writes it there), and with the same
// Encrypt and ID the same key opens it.
std::string RotationSteps::keptEncryption() const {
    if (!xref->encryption().security()) return std::string();
    const std::string encrypt = xref->encryption().isDirect() ? directEncryptionEntry(*xref, inputSize)
                                                              : encryptReference(xref->encryption().dictionaryObject());
    return encrypt + "\n";
}

// The standards are asked only of a file that has an ID to keep.
std::string RotationSteps::keptDocumentId() const {
    const std::vector<std::string> ids = trailerIds();
    if (ids.empty()) return std::string();
    DocumentIdNeeds needs;
    needs.encrypted = xref->encryption().security() != nullptr;
    needs.requiredByStandard = !needs.encrypted && (declaresPdf2(*xref) || declaresPdfA(*xref));
    return keepsDocumentId(needs) ? documentIdEntry(ids) : std::string();
}

std::vector<std::string> RotationSteps::trailerIds() const {
    CPdfElement ids;
    xref->trailerDictionary().dictionary()->find("ID", ids);
    std::vector<std::string> strings;
    for (int32_t i = 0; ids.is(ElementType::Array) && i < static_cast<int32_t>(ids.array()->size()); ++i) {
        CPdfElement id;
        ids.array()->at(i, id);
        strings.emplace_back(id.stringBytes());
    }
    return strings;
}

// An input that grows, shrinks or is rewritten while the job reads it may have
// given half of one version and half of another: the output is not kept.
void RotationSteps::refuseChangedInput() {
    platform::FileStamp now;
    if (!platform::stampOf(inputFile, now) || !(now == inputStamp))
        throw CPdfException(FailureKind::Input, message::inputChanged(jobOptions.inputName.c_str()));
}

std::string RotationSteps::unreadableNotice(const std::vector<int32_t>& numbers) {
    constexpr size_t shown = 5;
    std::string text = "Warning: " + std::to_string(numbers.size()) + (numbers.size() == 1 ? " object" : " objects") +
                       " that the cross-reference lists in use could not be read and " +
                       (numbers.size() == 1 ? "was" : "were") + " left out:";
    for (size_t i = 0; i < numbers.size() && i < shown; ++i) text += (i ? ", " : " ") + std::to_string(numbers[i]);
    if (numbers.size() > shown) text += ", ...";
    return text;
}

// The input closes before an unfinished output is removed.
void RotationSteps::releaseInput() {
    rawObjects.reset();
    if (document.isOpen) document.close();  // it reads through the handle below
    xref = nullptr;
    if (inputFile) std::fclose(inputFile);
    inputFile = nullptr;
}

void RotationSteps::releaseAll() {
    releaseInput();
    output.reset();
}
