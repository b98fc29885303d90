#include "output/ObjectCopier.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/FirstPageRecords.h"
#include "output/ObjectStreamPacker.h"
#include "output/OutputFile.h"
#include "output/PageEditor.h"
#include "rawtext/RawObject.h"
#include "rawtext/StreamLength.h"
#include "stream/PdfStream.h"
#include "xref/NearlySorted.h"
#include "xref/PdfXRef.h"

namespace {

// The copy tells its progress every so many objects, not at each: a report asks
// the clock where standard error is a terminal (41,554 times on 20,000 pages),
// and the progress line changes at most five times a second anyway.
constexpr uint32_t objectsPerProgressReport = 256;

// With "-compact" the object streams take numbers past every other object's.
int64_t firstNumberPast(const XRefEntryTable& entries, const std::vector<MovedPage>& movedPages) {
    int64_t first = entries.numberBound();
    for (const MovedPage& moved : movedPages) first = std::max<int64_t>(first, int64_t{moved.number} + 1);
    return first;
}

// The bytes that the object streams `numbers` take in the input file.
uint64_t storedBytes(CPdfXRef& xref, const std::vector<int32_t>& numbers) {
    uint64_t bytes = 0;
    for (const int32_t number : numbers) {
        const XRefEntry* entry = xref.getEntries().find(number);
        if (!entry || entry->type != XRefEntryType::Uncompressed) continue;
        const ObjectExtent extent = xref.extents().locate(number, *entry);
        if (extent.readable) bytes += extent.length();
    }
    return bytes;
}

// The numbers of the object streams that the entries name, ascending.
std::vector<int32_t> objectStreamNumbers(const XRefEntryTable& entries) {
    std::vector<int32_t> numbers;
    for (const auto [number, entry] : entries) {
        // Neighbours mostly share a stream: a number is taken once a run, which leaves
        // the sort a list of streams rather than of objects.
        if (entry.type == XRefEntryType::Compressed && (numbers.empty() || numbers.back() != entry.number()))
            numbers.push_back(entry.number());
    }
    sortNearlySorted(numbers);
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace

ObjectCopier::ObjectCopier(const RawObjectReader& reader, OutputFile& output, OutputTable& records)
    : reader(reader), output(output), records(records) {}

void ObjectCopier::copyAll(const std::vector<PageRecord>& pages) {
    const XRefEntryTable& entries = reader.entries();
    FirstPageRecords firstRecords(pages);
    const std::vector<int32_t> objectStreams = objectStreamNumbers(entries);
    size_t nextMoved = 0;
    size_t nextRetyped = 0;
    movedTexts.assign(movedPages.size(), std::string());
    movedParentGenerations.assign(movedPages.size(), 0);
    RawObject object;
    const size_t numbers = static_cast<size_t>(entries.numberBound());
    if (packer) {
        packer->numberStreamsFrom(firstNumberPast(entries, movedPages));
        CPdfXRef& xref = reader.crossReference();
        packer->compressLike(storedBytes(xref, objectStreams), xref.fileLength());
    }
    uint32_t sinceProgressReport = 0;
    for (const auto [objectNumber, entry] : entries) {
        if (progress && ++sinceProgressReport == objectsPerProgressReport) {
            sinceProgressReport = 0;
            progress(static_cast<size_t>(objectNumber), numbers);
        }
        if (entry.type == XRefEntryType::Free || records.isWritten(objectNumber)) continue;
        if (packer && isInputCrossReference(objectNumber, entry)) continue;
        const std::optional<size_t> pagePlace = firstRecords.find(objectNumber);
        const PageRecord* page = pagePlace ? &pages[*pagePlace] : nullptr;
        const bool packed = packs(objectNumber, entry);
        if (!(packed ? reader.readMember(objectNumber, object) : reader.read(objectNumber, object)) ||
            object.length() == 0) {
            // The streams that hold the cross-reference and other objects would be
            // left out all the same: losing one loses nothing of the document.
            const bool bookkeeping = reader.crossReference().isCrossReferenceStream(objectNumber) ||
                                     std::binary_search(objectStreams.begin(), objectStreams.end(), objectNumber);
            if (!bookkeeping) unreadableObjects.push_back(objectNumber);
            continue;
        }
        if (object.isObjectStream) {  // its objects go out under their own numbers
            countObjectStreamLength(object);
            continue;
        }
        if (object.endWritten) ++ended;
        if (object.containersClosed) ++closed;
        if (object.stringsClosed) ++closedStrings;
        moveKidsOfNode(objectNumber, object, nextMoved);
        while (nextRetyped < retyped.size() && retyped[nextRetyped].first < objectNumber) ++nextRetyped;
        if (nextRetyped < retyped.size() && retyped[nextRetyped].first == objectNumber &&
            loadObjectText(reader.bytes(), object) && correctPageTreeType(object.bytes, retyped[nextRetyped].second))
            ++typeFixes;
        if (page && pageUses) pageUses->note(*pagePlace, object);
        if (packed) packObject(objectNumber, object, page);
        else copyObject(objectNumber, object, page);
        if (!object.endKnown) unknownEnds.push_back(objectNumber);
    }
    writeMovedPages(pages);
    if (packer) packer->finish();
}

// The encryption dictionary is read before any key exists: it never goes into a stream that is encrypted.
bool ObjectCopier::packs(int32_t number, const XRefEntry& entry) const {
    return packer && entry.type == XRefEntryType::Compressed &&
           number != reader.crossReference().encryption().dictionaryObject().number;
}

// A number that a section was read from may have been given to another object by
// a later update: only a cross-reference stream standing there now is left out.
bool ObjectCopier::isInputCrossReference(int32_t number, const XRefEntry& entry) const {
    CPdfXRef& xref = reader.crossReference();
    if (entry.type != XRefEntryType::Uncompressed || !xref.isCrossReferenceStream(number)) return false;
    CPdfElement object;
    xref.fetchObject(number, entry.gen, object);
    if (!object.is(ElementType::Stream) || !object.stream()->streamDictionary()) return false;
    CPdfElement type;
    object.stream()->streamDictionary()->find("Type", type);
    return type.is(ElementType::Name) && type.hasText("XRef");
}

// Its text goes into an object stream as its input's stream held it, a selected
// page's with the new rotation. Objects of object streams are always held in memory.
void ObjectCopier::packObject(int32_t number, const RawObject& object, const PageRecord* page) {
    if (!page || !page->selected) {
        packer->add(number, compressedObjectValue(
                                {reinterpret_cast<const char*>(object.bytes.data()), object.bytes.size()}, number));
        return;
    }
    const std::string rotated = rotatedPageText(object, planPageEdit(object, page->rotation));
    packer->add(number, compressedObjectValue(rotated, number));
}

// The node's kids that go out as objects of their own leave its text for references.
void ObjectCopier::moveKidsOfNode(int32_t number, RawObject& node, size_t& nextMoved) {
    while (nextMoved < movedPages.size() && movedPages[nextMoved].parent < number) ++nextMoved;
    const size_t first = nextMoved;
    while (nextMoved < movedPages.size() && movedPages[nextMoved].parent == number) ++nextMoved;
    if (first == nextMoved || !loadObjectText(reader.bytes(), node)) return;
    const std::vector<MovedPage> kids(movedPages.begin() + first, movedPages.begin() + nextMoved);
    std::vector<std::string> texts;
    if (!moveKidsOut(node.bytes, kids, texts)) return;
    for (size_t i = 0; i < texts.size(); ++i) {
        movedTexts[first + i] = std::move(texts[i]);
        movedParentGenerations[first + i] = node.generation;
    }
}

// After every object of the input, in ascending new number; a page whose node could
// not be edited is not written (the job finds it missing).
void ObjectCopier::writeMovedPages(const std::vector<PageRecord>& pages) {
    for (size_t i = 0; i < movedPages.size(); ++i) {
        if (movedTexts[i].empty()) continue;
        const MovedPage& moved = movedPages[i];
        RawObject object;
        const std::string text = movedPageObject(moved, movedParentGenerations[i], movedTexts[i]);
        object.bytes.assign(text.begin(), text.end());
        if (pageUses) pageUses->note(moved.page, object);
        copyObject(moved.number, object, moved.page < pages.size() ? &pages[moved.page] : nullptr);
        ++this->moved;
    }
}

// With -repair an object stream whose Length is wrong was read from its data; it is
// not written, but the repair is told all the same.
void ObjectCopier::countObjectStreamLength(const RawObject& object) {
    StreamLengthEdit edit;
    if (correctLengths && findStreamLengthEdit(object, reader.crossReference(), edit)) ++corrected;
}

// With -repair a stream whose Length is wrong gets the length of its data: a text
// in memory is corrected here; for one that lies in the input, true asks the copy
// to do it. Selected pages are rotated and nothing else.
bool ObjectCopier::lengthEditWhileCopying(RawObject& object, const PageRecord* page, StreamLengthEdit& edit) {
    if (!correctLengths || (page && page->selected)) return false;
    if (!findStreamLengthEdit(object, reader.crossReference(), edit)) return false;
    ++corrected;
    if (object.inFile) return true;
    applyStreamLengthEdit(object, edit);
    return false;
}

void ObjectCopier::copyObject(int32_t number, RawObject& object, const PageRecord* page) {
    StreamLengthEdit edit;
    const bool lengthToEdit = lengthEditWhileCopying(object, page, edit);
    OutputEntry& record = records.add(number);
    record.setOffset(output.position());
    record.gen = object.generation;
    record.written = 1;
    if (lengthToEdit) {
        writeStreamWithLength(output, reader.file(), object, edit);
    } else if (!page || !page->selected) {
        writeObjectText(output, reader.file(), object);
    } else if (!object.inFile) {
        writeRotatedPage(output, reader.file(), object, planPageEdit(object, page->rotation, page->facts.rotateKey));
    } else {
        // A page dictionary too large to hold is read token by token where it lies.
        const RetainPtr<CPdfStream> window = reader.crossReference().fileStream()->openWindow(
            object.fileStart, object.fileEnd - object.fileStart, CPdfElement::null());
        writeRotatedPage(output, reader.file(), object, planPageEdit(*window, page->rotation));
    }
}
