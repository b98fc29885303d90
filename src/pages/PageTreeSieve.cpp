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
