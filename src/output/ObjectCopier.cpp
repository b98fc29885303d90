#include "output/ObjectCopier.h"

#include <algorithm>
#include <utility>

#include "output/OutputFile.h"
#include "output/PageEditor.h"
#include "rawtext/RawObject.h"
#include "rawtext/StreamLength.h"
#include "stream/PdfStream.h"
#include "xref/PdfXRef.h"

namespace {

// The page records ordered by object number, so that the objects, written in
// ascending number, find their first page record in one pass.
std::vector<std::pair<int32_t, size_t>> pagesByObject(const std::vector<PageRecord>& pages) {
    std::vector<std::pair<int32_t, size_t>> order;
    order.reserve(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) order.emplace_back(pages[i].objNum, i);
    std::sort(order.begin(), order.end());
    return order;
}

}  // namespace

ObjectCopier::ObjectCopier(const RawObjectReader& reader, OutputFile& output, std::vector<OutputEntry>& records)
    : reader(reader), output(output), records(records) {}

void ObjectCopier::copyAll(const std::vector<PageRecord>& pages) {
    const std::vector<XRefEntry>& entries = reader.entries();
    const auto order = pagesByObject(pages);
    size_t next = 0;
    RawObject object;
    for (size_t number = 0; number < entries.size(); ++number) {
        const int32_t objectNumber = static_cast<int32_t>(number);
        if (progress) progress(number, entries.size());
        while (next < order.size() && order[next].first < objectNumber) ++next;
        if (entries[number].type == XRefEntryType::Free || records[number].written) continue;
        if (!reader.read(objectNumber, object) || object.length() == 0) {
            unreadableObjects.push_back(objectNumber);
            continue;
        }
        if (object.isObjectStream) continue;  // its objects go out under their own numbers
        const PageRecord* page = next < order.size() && order[next].first == objectNumber ? &pages[order[next].second] : nullptr;
        copyObject(objectNumber, object, page);
    }
}

// With -repair a stream whose Length is wrong gets the length of its data: a text
// in memory is corrected here; for one that lies in the input, true asks the copy
// to do it. Selected pages are rotated and nothing else.
bool ObjectCopier::lengthEditWhileCopying(RawObject& object, const PageRecord* page, StreamLengthEdit& edit) {
    if (!correctLengths || (page && page->selected)) return false;
    if (!findStreamLengthEdit(object, reader.file(), reader.crossReference(), edit)) return false;
    ++corrected;
    if (object.inFile) return true;
    applyStreamLengthEdit(object, edit);
    return false;
}

void ObjectCopier::copyObject(int32_t number, RawObject& object, const PageRecord* page) {
    StreamLengthEdit edit;
    const bool lengthToEdit = lengthEditWhileCopying(object, page, edit);
    OutputEntry& record = records[static_cast<size_t>(number)];
    record.offset = output.position();
    record.gen = object.generation;
    record.written = 1;
    if (lengthToEdit) {
        writeStreamWithLength(output, reader.file(), object, edit);
    } else if (!page || !page->selected) {
        writeObjectText(output, reader.file(), object);
    } else if (!object.inFile) {
        writeRotatedPage(output, reader.file(), object, planPageEdit(object, page->rotation));
    } else {
        // A page dictionary too large to hold is read token by token where it lies.
        const RetainPtr<CPdfStream> window = reader.crossReference().fileStream()->openWindow(
            object.fileStart, object.fileEnd - object.fileStart, CPdfElement::null());
        writeRotatedPage(output, reader.file(), object, planPageEdit(*window, page->rotation));
    }
}
