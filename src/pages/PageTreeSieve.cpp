#include "pages/PageTreeSieve.h"

#include "model/PdfDictionary.h"
#include "model/PdfElement.h"

// Every key of every page and node is asked about: the length tells most keys
// apart at once.
bool PageTreeSieve::keeps(std::string_view key) const {
    switch (key.size()) {
    case 4:
        return key == "Kids" || key == "Type";
    case 5:
        return key == "Count";
    case 6:
        return key == "Parent" || key == "Rotate";
    default:
        return false;
    }
}

namespace {

// A direct Type that names neither kind of page tree object. A Type given by
// reference is left for the walk to resolve, where it resolves every Type.
bool neitherPageNorNode(const CPdfElement& kid) {
    if (!kid.is(ElementType::Dictionary)) return false;
    CPdfElement type;
    kid.dictionary()->findRaw("Type", type);
    if (type.is(ElementType::Reference)) return false;
    return !type.hasText("Page") && !type.hasText("Pages");
}

}  // namespace

bool PageTreeSieve::keepsElement(std::string_view key, uint32_t index, CPdfElement& element) {
    if (key != "Kids") return true;
    if (index > kidsLeft) return false;
    if (index == kidsLeft) {
        element.clear();
        element.setError();
        return true;
    }
    if (passOverOtherKids && neitherPageNorNode(element)) element.clear();
    return true;
}

void PageTreeSieve::startDictionary() {
    if (!taking) return;
    for (CPdfElement* value : {&type, &parent, &rotate, &readWhole})
        if (!value->is(ElementType::None)) value->clear();
    typeStays = false;
}

// The first Type and Parent count and the last Rotate, as the walk reads them of
// a dictionary that holds them all.
bool PageTreeSieve::takes(std::string_view key, CPdfElement& value) {
    if (!taking) return false;
    if (key == "Rotate") {
        rotate.clear();
        rotate.takeFrom(value);
        return true;
    }
    if (key == "Parent") {
        if (parent.is(ElementType::None)) parent.takeFrom(value);
        return true;
    }
    if (key != "Type" || typeStays) return false;
    if (!type.is(ElementType::None)) return true;
    if (value.is(ElementType::Reference)) {
        typeStays = true;
        return false;
    }
    type.takeFrom(value);
    return true;
}

void PageTreeSieve::dictionaryRead(const CPdfElement& dictionary) {
    if (taking) readWhole.copyFrom(dictionary);
}

std::optional<PageTreeSieve::Taken> PageTreeSieve::takenFrom(const CPdfElement& dictionary) const {
    if (!taking || !readWhole.is(ElementType::Dictionary) || !dictionary.is(ElementType::Dictionary) ||
        readWhole.dictionary() != dictionary.dictionary())
        return std::nullopt;
    const auto taken = [](const CPdfElement& value) { return value.is(ElementType::None) ? nullptr : &value; };
    return Taken{taken(type), taken(parent), taken(rotate)};
}
