#include "output/UpdateChecks.h"

#include <algorithm>
#include <cstring>

#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "stream/FileBlockCache.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

const char* const certificationNotice =
    "Note: the document carries a certification signature; viewers will report the rotation as a change made "
    "after signing";

void refuseDamagedCrossReference(const CPdfException& failure) {
    std::string reason = failure.messageText();
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    std::replace(reason.begin(), reason.end(), '\r', ' ');
    throw CPdfException(FailureKind::DamagedForUpdate,
                        message::updateRefused(message::updateCrossReferenceDamaged(reason)));
}

namespace {

bool startsWithHeader(FileBlockCache& input) {
    uint8_t head[5] = {};
    return input.readFully(0, head, sizeof head) == sizeof head && std::memcmp(head, "%PDF-", sizeof head) == 0;
}

}  // namespace

void checkUpdatable(const CPdfDocument& document) {
    if (document.crossReferenceState() == CrossReferenceState::Rebuilt)
        throw CPdfException(FailureKind::DamagedForUpdate,
                            message::updateRefused(message::updateCrossReferenceRebuilt));
    // A table that only -repair reads would stay under the update: the output could
    // be read no better than the input.
    if (document.xref()->recovery().readTablesLeniently())
        throw CPdfException(FailureKind::DamagedForUpdate, message::updateRefused(message::updateTableHoldsJunk));
    if (document.xref()->baseOffset() != 0 || !startsWithHeader(*document.xref()->blockCache()))
        throw CPdfException(FailureKind::UpdateRefused, message::updateRefused(message::updateWithoutHeader));
}

bool carriesCertification(const CPdfElement& catalogue) {
    if (!catalogue.is(ElementType::Dictionary)) return false;
    try {
        CPdfElement permissions, docMdp;
        catalogue.dictionary()->find("Perms", permissions);
        if (!permissions.is(ElementType::Dictionary)) return false;
        permissions.dictionary()->findRaw("DocMDP", docMdp);
        return !docMdp.is(ElementType::Null);
    } catch (const CPdfException&) {
        return false;  // a /Perms that cannot be read certifies nothing a viewer could check
    }
}
