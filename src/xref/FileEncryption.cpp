#include "xref/FileEncryption.h"

#include "crypt/StandardSecurity.h"
#include "model/PdfDictionary.h"
#include "xref/Encryption.h"

FileEncryption::FileEncryption() = default;
FileEncryption::~FileEncryption() = default;

void FileEncryption::unlock(CPdfXRef& xref, const CPdfDictionary& trailerDictionary, TrailerPlace trailerPlace) {
    CPdfElement value;
    trailerDictionary.findRaw("Encrypt", value);
    dictionary = value.is(ElementType::Reference) ? ObjectId{value.refNum(), value.refGen()} : ObjectId{};
    place = trailerPlace;
    securityHandler = openSecurityHandler(xref, trailerDictionary, password);
}
