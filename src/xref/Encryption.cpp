#include "xref/Encryption.h"

#include "crypt/StandardSecurity.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "xref/PdfXRef.h"

namespace {

// The first string of the trailer's ID, which keys revisions 2 to 4; empty without one.
std::string firstFileId(const CPdfDictionary& trailer) {
    CPdfElement ids, first;
    trailer.find("ID", ids);
    if (!ids.is(ElementType::Array) || ids.array()->size() < 1) return std::string();
    ids.array()->at(0, first);
    return first.is(ElementType::String) ? std::string(first.stringBytes()) : std::string();
}

}  // namespace

bool namesEncryption(const CPdfElement& encrypt) {
    return encrypt.is(ElementType::Reference) || encrypt.is(ElementType::Dictionary);
}

void refuseEncryptedFile() { throw CPdfException(FailureKind::PasswordNeeded, message::encrypted); }

std::unique_ptr<StandardSecurity> openSecurityHandler(CPdfXRef& xref, const CPdfDictionary& trailer,
                                                      const std::optional<std::string>& password) {
    if (!password) refuseEncryptedFile();
    CPdfElement encrypt, dictionary;
    trailer.findRaw("Encrypt", encrypt);
    if (encrypt.is(ElementType::Reference)) xref.fetchObject(encrypt.refNum(), encrypt.refGen(), dictionary);
    else dictionary.copyFrom(encrypt);
    if (!dictionary.is(ElementType::Dictionary)) refuseEncryptionDictionary();
    auto security =
        std::make_unique<StandardSecurity>(readEncryptionSettings(*dictionary.dictionary()), firstFileId(trailer));
    if (!security->authenticate(*password)) throw CPdfException(FailureKind::Encrypted, message::passwordDoesNotOpen);
    return security;
}
