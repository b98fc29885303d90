// The rotation job for one input file, from the options to the finished output.
#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Platform.h"
#include "app/PdfRotate.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "rotate/ForceRotation.h"
#include "rotate/PageDictionary.h"
#include "rotate/RawObject.h"
#include "xref/PdfXRef.h"

void CPdfRotate::run(int argc, char** argv) {
    const int32_t kind = parseOptions(argc, argv);
    try {
        runSteps(kind);
    } catch (...) {
        closeAll();
        abandonOutput();
        throw;
    }
}

void CPdfRotate::runSteps(int32_t kind) {
    inputFile = std::fopen(inputName, "rb");
    if (!inputFile) throw CPdfException::formatted("Input file open error: %s\n", inputName);
    std::fputs("Rotating file: ", stdout);
    std::fputs(inputName, stdout);

    document.open(inputName);
    xref = document.xref();
    rootNum = xref->rootNum;
    infoNum = xref->infoNum;
    entries = &xref->getEntries();
    outputEntries.assign(entries->size(), OutputEntry{});
    fseeko(inputFile, 0, SEEK_END);
    objectLayout = ObjectLayout(*entries, xref->baseOffset(), static_cast<uint64_t>(std::max<off_t>(ftello(inputFile), 0)));

    openOutput();
    std::fputs(" to ", stdout);
    std::fputs(outputName, stdout);

    if (kind != static_cast<int32_t>(PageSelection::List)) pageText = buildPageText(static_cast<PageSelection>(kind));
    std::printf(", %d Degrees", rotation);
    std::fputs(", Pages: ", stdout);
    std::fputs(pageText.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fputs("Processing", stdout);

    {
        CPdfElement root;
        int32_t rootNodeNumber = -1;
        fetchPageTreeRoot(root, rootNodeNumber);
        walkPageTree(root, rootNodeNumber);
    }
    parsePageList(pageText.c_str());

    copyHeader();
    writeObjects();
    const uint32_t tablePosition = outputPosition();
    writeXRefTable();
    writeTrailer(tablePosition);
    finishOutput();
    std::fclose(inputFile);
    inputFile = nullptr;
    document.close();
}

// The catalogue is asked for under the generation that its entry gives, or 0 for
// an object kept in an object stream.
void CPdfRotate::fetchPageTreeRoot(CPdfElement& root, int32_t& rootNodeNumber) {
    int32_t generation = 0;
    if (rootNum >= 0 && static_cast<size_t>(rootNum) < entries->size()) {
        const XRefEntry& entry = (*entries)[static_cast<size_t>(rootNum)];
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

// The page's own rotation as strtol reads it: 90.0 gives 90.
int32_t existingRotation(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void CPdfRotate::writeObjects() {
    const auto order = pagesByObject(pages);
    size_t next = 0;
    RawObject object;
    for (size_t number = 0; number < entries->size(); ++number) {
        const int32_t objectNumber = static_cast<int32_t>(number);
        while (next < order.size() && order[next].first < objectNumber) ++next;
        if ((*entries)[number].type == XRefEntryType::Free || outputEntries[number].written) continue;
        if (!readRawObject(inputFile, objectNumber, xref, *entries, object, &objectLayout) || object.length() == 0) continue;
        if (object.isObjectStream) continue;  // its objects go out under their own numbers
        const PageRecord* page = next < order.size() && order[next].first == objectNumber ? &pages[order[next].second] : nullptr;
        writeObject(objectNumber, object, page);
    }
}

void CPdfRotate::writeObject(int32_t number, const RawObject& object, const PageRecord* page) {
    OutputEntry& record = outputEntries[static_cast<size_t>(number)];
    record.offset = outputPosition();
    record.gen = object.generation;
    record.written = 1;
    if (page && page->selected) writeRotatedPage(object, *page);
    else write(object.bytes.data(), object.bytes.size());
}

// Replaces the value of the page's own /Rotate, or adds the key right after the
// "<<" that opens the page dictionary. An inherited rotation plays no part.
void CPdfRotate::writeRotatedPage(const RawObject& object, PageRecord page) {
    const uint8_t* text = object.bytes.data();
    const PageDictionaryLayout layout = scanPageDictionary(text, object.length());
    if (!layout.found) {
        write(text, object.bytes.size());
        return;
    }
    if (layout.hasRotate) {
        if (force && layout.valueIsNumber)
            page.rotation = forcedRotation(existingRotation(layout.valueText), page.rotation);
        write(text, layout.keyEnd);
        writeFramed(" ", page.rotation, " ");
        write(text + layout.valueEnd, object.bytes.size() - layout.valueEnd);
        return;
    }
    write(text, layout.bodyStart);
    writeFramed("/Rotate ", page.rotation, "\n");
    write(text + layout.bodyStart, object.bytes.size() - layout.bodyStart);
}
