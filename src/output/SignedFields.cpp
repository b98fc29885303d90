#include "output/SignedFields.h"

#include <cstdint>

#include "limits/Limits.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"

const char* const signedRewriteHint =
    "the document is signed, and a full rewrite leaves its signatures invalid; -incremental appends the rotation "
    "and keeps them";

namespace {

// Walks the field tree depth first; /FT is inherited by the kids that have none.
class SignedFieldSearch {
public:
    bool anyIn(const CPdfElement& fields, bool signatureType, int depth) {
        if (!fields.is(ElementType::Array) || depth > limits::maximumFieldTreeDepth) return false;
        const CPdfArray& list = *fields.array();
        for (int32_t i = 0; i < list.size(); ++i) {
            if (++visited > limits::signatureFieldsRead) return false;
            CPdfElement field;
            list.at(i, field);
            if (field.is(ElementType::Dictionary) && isSigned(field, signatureType, depth)) return true;
        }
        return false;
    }

private:
    bool isSigned(const CPdfElement& field, bool inheritedSignatureType, int depth) {
        const CPdfDictionary& dictionary = *field.dictionary();
        CPdfElement type, value, kids;
        dictionary.find("FT", type);
        const bool signatureType = type.is(ElementType::Name) ? type.hasText("Sig") : inheritedSignatureType;
        dictionary.findRaw("V", value);
        if (signatureType && !value.is(ElementType::Null)) return true;
        dictionary.find("Kids", kids);
        return anyIn(kids, signatureType, depth + 1);
    }

    int32_t visited = 0;
};

}  // namespace

bool carriesSignedFields(const CPdfElement& catalogue) {
    if (!catalogue.is(ElementType::Dictionary)) return false;
    try {
        CPdfElement form, fields;
        catalogue.dictionary()->find("AcroForm", form);
        if (!form.is(ElementType::Dictionary)) return false;
        form.dictionary()->find("Fields", fields);
        return SignedFieldSearch().anyIn(fields, false, 0);
    } catch (const CPdfException&) {
        return false;
    }
}
