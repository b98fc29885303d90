#include "output/PageEditor.h"

#include <algorithm>
#include <string_view>

#include "model/FramedNumber.h"
#include "output/OutputFile.h"
#include "rawtext/RawObject.h"
#include "rawtext/StreamLength.h"
#include "stream/PdfStream.h"

namespace {

PageEdit planFromLayout(PageDictionaryLayout&& layout, int32_t rotation) {
    PageEdit edit;
    edit.layout = std::move(layout);
    edit.rotation = rotation;
    if (!edit.layout.found) return edit;
    edit.editable = true;
    if (edit.layout.hasRotate) {
        edit.replacement = FramedNumber(" ", rotation, " ").text();
        edit.spans = EditSpans(std::move(edit.layout.rotateValues));
        edit.layout.rotateValues.clear();
    } else {
        edit.replacement = FramedNumber("/Rotate ", rotation, "\n").text();
        edit.spans = EditSpans::single({edit.layout.bodyStart, edit.layout.bodyStart});
    }
    return edit;
}

// The layout of a dictionary that opens at `opening` and holds no key Rotate, as
// the scan finds it when it reads no keys.
PageDictionaryLayout openingWithoutKey(uint32_t opening) {
    PageDictionaryLayout layout;
    layout.found = true;
    layout.bodyStart = opening;
    return layout;
}

// The text's bytes [from, to), counted from its start, wherever they lie; a text
// in the file ends with its closing byte, which `to` beyond the file part reaches.
void writeTextPart(OutputFile& output, FILE* input, const RawObject& object, uint64_t from, uint64_t to) {
    if (!object.inFile) {
        if (from < to) output.write(object.bytes.data() + from, static_cast<size_t>(to - from));
        return;
    }
    const uint64_t inFile = object.fileEnd - object.fileStart;
    const uint64_t fileTo = std::min(to, inFile);
    if (from < fileTo) output.copyRange(input, object.fileStart + from, fileTo - from);
    if (to > inFile && from <= inFile) output.write(&object.closingByte, 1);
}

// The edited text in order: the parts of the original that stay, [from, to), and
// the replacement in place of each span.
template <class KeepPart, class Replace>
void walkEdit(const PageEdit& edit, uint64_t length, KeepPart keepPart, Replace replace) {
    uint64_t kept = 0;
    for (const PageEdit::Span& span : edit.spans) {
        keepPart(kept, span.keyEnd);
        replace();
        kept = span.valueEnd;
    }
    keepPart(kept, length);
}

}  // namespace

int64_t PageEdit::growth() const {
    int64_t change = 0;
    for (const Span& span : spans) change += static_cast<int64_t>(replacement.size()) - (span.valueEnd - span.keyEnd);
    return change;
}

PageEdit planPageEdit(const RawObject& object, int32_t rotation) {
    return planFromLayout(scanPageDictionary(object.bytes.data(), static_cast<uint32_t>(object.bytes.size())),
                          rotation);
}

PageEdit planPageEdit(const RawObject& object, int32_t rotation, bool holdsRotateKey) {
    const bool knownWithoutKey = object.dictionaryOpening != 0 && !holdsRotateKey && !object.inFile &&
                                 !object.containersClosed && !object.stringsClosed && !object.endWritten;
    if (knownWithoutKey) return planFromLayout(openingWithoutKey(object.dictionaryOpening), rotation);
    return planPageEdit(object, rotation);
}

PageEdit planPageEdit(CPdfStream& window, int32_t rotation) {
    return planFromLayout(scanPageDictionary(window), rotation);
}

void writeObjectText(OutputFile& output, FILE* input, const RawObject& object) {
    writeTextPart(output, input, object, 0, object.length());
}

void writeRotatedPage(OutputFile& output, FILE* input, const RawObject& object, const PageEdit& edit) {
    if (!edit.editable) {
        writeObjectText(output, input, object);
        return;
    }
    walkEdit(
        edit, object.length(), [&](uint64_t from, uint64_t to) { writeTextPart(output, input, object, from, to); },
        [&] { output.write(edit.replacement); });
}

std::string rotatedPageText(const RawObject& object, const PageEdit& edit) {
    const char* text = reinterpret_cast<const char*>(object.bytes.data());
    if (!edit.editable) return std::string(text, object.length());
    std::string edited;
    edited.reserve(static_cast<size_t>(object.length() + edit.growth()));
    walkEdit(
        edit, object.length(),
        [&](uint64_t from, uint64_t to) { edited.append(text + from, static_cast<size_t>(to - from)); },
        [&] { edited.append(edit.replacement); });
    return edited;
}

void writeStreamWithLength(OutputFile& output, FILE* input, const RawObject& object, const StreamLengthEdit& edit) {
    writeTextPart(output, input, object, 0, edit.keyEnd);
    output.writeFramed(" ", static_cast<int64_t>(edit.dataLength), "");
    writeTextPart(output, input, object, edit.valueEnd, object.length());
}
