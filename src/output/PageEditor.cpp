#include "output/PageEditor.h"

#include <string>

#include "output/ForceRotation.h"
#include "output/OutputFile.h"
#include "rawtext/RawObject.h"

namespace {

std::string framed(const char* before, int32_t number, const char* after) {
    std::string text = before;
    text += std::to_string(number);
    text += after;
    return text;
}

}  // namespace

PageEdit planPageEdit(const RawObject& object, int32_t rotation, bool force) {
    PageEdit edit;
    edit.layout = scanPageDictionary(object.bytes.data(), object.length());
    const PageDictionaryLayout& layout = edit.layout;
    if (!layout.found) return edit;
    edit.editable = true;
    if (layout.hasRotate) {
        if (force && layout.valueIsNumber) rotation = forcedRotation(layout.valueNumber, rotation);
        edit.keepUntil = layout.keyEnd;
        edit.resumeAt = layout.valueEnd;
        edit.inserted = framed(" ", rotation, " ");
    } else {
        edit.keepUntil = layout.bodyStart;
        edit.resumeAt = layout.bodyStart;
        edit.inserted = framed("/Rotate ", rotation, "\n");
    }
    edit.rotation = rotation;
    return edit;
}

void writeRotatedPage(OutputFile& output, const RawObject& object, int32_t rotation, bool force) {
    const PageEdit edit = planPageEdit(object, rotation, force);
    const uint8_t* text = object.bytes.data();
    if (!edit.editable) {
        output.write(text, object.length());
        return;
    }
    output.write(text, edit.keepUntil);
    output.write(edit.inserted);
    output.write(text + edit.resumeAt, object.length() - edit.resumeAt);
}

std::string rotatedPageText(const RawObject& object, const PageEdit& edit) {
    const char* text = reinterpret_cast<const char*>(object.bytes.data());
    if (!edit.editable) return std::string(text, object.length());
    std::string edited;
    edited.reserve(object.length() + edit.inserted.size());
    edited.append(text, edit.keepUntil);
    edited.append(edit.inserted);
    edited.append(text + edit.resumeAt, object.length() - edit.resumeAt);
    return edited;
}
