#include "output/ObjectCopier.h"

#include <algorithm>
#include <utility>

#include "output/OutputFile.h"
#include "output/PageEditor.h"
#include "rawtext/RawObject.h"
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

void ObjectCopier::copyObject(int32_t number, const RawObject& object, const PageRecord* page) {
    OutputEntry& record = records[static_cast<size_t>(number)];
    record.offset = output.position();
    record.gen = object.generation;
    record.written = 1;
    if (!page || !page->selected) {
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
