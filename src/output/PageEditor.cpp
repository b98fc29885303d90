#include "output/PageEditor.h"

#include "output/OutputFile.h"
#include "rawtext/PageDictionary.h"
#include "rawtext/RawObject.h"

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
