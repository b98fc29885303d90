#include "output/PageEditor.h"

#include "output/OutputFile.h"
#include "output/XRefWriter.h"
#include "stream/PdfStream.h"
#include "rawtext/PageDictionary.h"
#include "rawtext/RawObject.h"
#include "rawtext/StreamLength.h"

void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation) {
    const uint8_t* text = object.bytes.data();
    const uint32_t length = object.length();
    const PageDictionaryLayout layout = scanPageDictionary(text, length);
    if (!layout.found) {
        output.write(text, length);
        return;
    }
    if (layout.hasRotate) {
        output.write(text, layout.keyEnd);
        output.writeFramed(" ", rotation, " ");
        output.write(text + layout.valueEnd, length - layout.valueEnd);
        return;
    }
    output.write(text, layout.bodyStart);
    output.writeFramed("/Rotate ", rotation, "\n");
    output.write(text + layout.bodyStart, length - layout.bodyStart);
}

namespace {

// The text's bytes [from, to), counted from its start, as they lie in the input.
void copyText(OutputFile& output, FILE* input, const RawObject& object, uint32_t from, uint32_t to) {
    const uint32_t textEnd = object.fileEnd - object.fileStart;
    if (to > textEnd) to = textEnd;
    if (from < to) copyInputBytes(output, input, uint64_t{object.fileStart} + from, to - from);
}

void closeText(OutputFile& output, const RawObject& object) { output.write(&object.closingByte, 1); }

}  // namespace

void writeObjectText(OutputFile& output, FILE* input, const RawObject& object) {
    if (!object.inFile) {
        output.write(object.bytes.data(), object.bytes.size());
        return;
    }
    copyText(output, input, object, 0, object.fileEnd - object.fileStart);
    closeText(output, object);
}

void writeRotatedPage(OutputFile& output, FILE* input, CPdfStream& window, const RawObject& object,
                      int32_t rotation) {
    const uint32_t textEnd = object.fileEnd - object.fileStart;
    const PageDictionaryLayout layout = scanPageDictionary(window);
    if (!layout.found) {
        writeObjectText(output, input, object);
        return;
    }
    if (layout.hasRotate) {
        copyText(output, input, object, 0, layout.keyEnd);
        output.writeFramed(" ", rotation, " ");
        copyText(output, input, object, layout.valueEnd, textEnd);
    } else {
        copyText(output, input, object, 0, layout.bodyStart);
        output.writeFramed("/Rotate ", rotation, "\n");
        copyText(output, input, object, layout.bodyStart, textEnd);
    }
    closeText(output, object);
}

void writeStreamWithLength(OutputFile& output, FILE* input, const RawObject& object, const StreamLengthEdit& edit) {
    copyText(output, input, object, 0, edit.keyEnd);
    output.writeFramed(" ", static_cast<int64_t>(edit.dataLength), "");
    copyText(output, input, object, edit.valueEnd, object.fileEnd - object.fileStart);
    closeText(output, object);
}
