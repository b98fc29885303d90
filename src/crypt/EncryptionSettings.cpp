// The encryption dictionary of the standard security handler (ISO 32000-2, 7.6.4).
#include "crypt/EncryptionSettings.h"

#include <cstring>

#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"

namespace {

[[noreturn]] void refuseUnknownMethod() {
    throw CPdfException(FailureKind::Encrypted, message::encryptionMethodUnknown);
}

int32_t integerEntry(const CPdfDictionary& dictionary, const char* key, int32_t absent) {
    CPdfElement value;
    dictionary.find(key, value);
    if (value.is(ElementType::Null)) return absent;
    if (!value.is(ElementType::Integer)) refuseEncryptionDictionary();
    return value.integer();
}

// A string of `minimum` to `maximum` bytes, of which the first `minimum` count.
std::string stringEntry(const CPdfDictionary& dictionary, const char* key, size_t minimum, size_t maximum) {
    CPdfElement value;
    dictionary.find(key, value);
    if (!value.is(ElementType::String) || value.stringBytes().size() < minimum || value.stringBytes().size() > maximum)
        refuseEncryptionDictionary();
    return std::string(value.stringBytes().substr(0, minimum));
}

// A crypt filter named by StmF or StrF: Identity, or one of the CF dictionary's.
CryptMethod cryptFilterMethod(const CPdfDictionary& dictionary, const char* key, int version) {
    CPdfElement name;
    dictionary.find(key, name);
    if (name.is(ElementType::Null) || name.hasText("Identity")) return CryptMethod::Identity;
    if (!name.is(ElementType::Name)) refuseEncryptionDictionary();
    CPdfElement filters, filter, method;
    dictionary.find("CF", filters);
    if (!filters.is(ElementType::Dictionary)) refuseEncryptionDictionary();
    filters.dictionary()->find(name.text(), filter);
    if (!filter.is(ElementType::Dictionary)) refuseEncryptionDictionary();
    filter.dictionary()->find("CFM", method);
    if (method.is(ElementType::Null) || method.hasText("None")) return CryptMethod::Identity;
    if (version == 4 && method.hasText("V2")) return CryptMethod::Rc4;
    if (version == 4 && method.hasText("AESV2")) return CryptMethod::AesV2;
    if (version == 5 && method.hasText("AESV3")) return CryptMethod::AesV3;
    refuseUnknownMethod();
}

// V1 keys are 40 bits; V2 and V4 keys 40 to 128 bits in whole bytes (V4's AES
// keys 128); V5 keys 256 bits. A V2 Length that is no such key length (given in
// bytes, say) is taken for 128 bits, as other readers take it: the password's
// check finds the key's true length (see StandardSecurity).
size_t keyLengthOf(const CPdfDictionary& dictionary, int version) {
    if (version == 1) return 5;
    if (version == 5) return 32;
    CPdfElement length;
    dictionary.find("Length", length);
    const int32_t absent = version == 4 ? 128 : 40;
    const int32_t bits = length.is(ElementType::Null) ? absent : length.is(ElementType::Integer) ? length.integer() : 0;
    if (bits >= 40 && bits <= 128 && bits % 8 == 0) return static_cast<size_t>(bits / 8);
    if (version == 4) refuseEncryptionDictionary();
    return 16;
}

// Perms, 16 bytes, where it is given.
std::string permsEntry(const CPdfDictionary& dictionary) {
    CPdfElement value;
    dictionary.find("Perms", value);
    if (!value.is(ElementType::String) || value.stringBytes().size() < 16) return std::string();
    return std::string(value.stringBytes().substr(0, 16));
}

}  // namespace

void refuseEncryptionDictionary() { throw CPdfException(FailureKind::Encrypted, message::encryptionDictionaryDamaged); }

EncryptionSettings readEncryptionSettings(const CPdfDictionary& dictionary) {
    CPdfElement filter;
    dictionary.find("Filter", filter);
    if (!filter.hasText("Standard") || !filter.is(ElementType::Name))
        throw CPdfException(FailureKind::Encrypted, message::encryptionHandlerUnknown);
    EncryptionSettings settings;
    settings.version = integerEntry(dictionary, "V", 0);
    settings.revision = integerEntry(dictionary, "R", -1);
    const int v = settings.version, r = settings.revision;
    const bool known =
        ((v == 1 || v == 2) && (r == 2 || r == 3)) || (v == 4 && r == 4) || (v == 5 && (r == 5 || r == 6));
    if (!known) refuseUnknownMethod();
    settings.keyLength = keyLengthOf(dictionary, settings.version);
    settings.permissions = integerEntry(dictionary, "P", INT32_MIN);
    if (settings.permissions == INT32_MIN) refuseEncryptionDictionary();
    // O and U are 32 bytes up to revision 4; from 5 on 48, which some writers pad to 127.
    const bool aes256 = settings.version == 5;
    settings.owner = stringEntry(dictionary, "O", aes256 ? 48 : 32, aes256 ? 127 : 32);
    settings.user = stringEntry(dictionary, "U", aes256 ? 48 : 32, aes256 ? 127 : 32);
    if (aes256) {
        settings.ownerKey = stringEntry(dictionary, "OE", 32, 32);
        settings.userKey = stringEntry(dictionary, "UE", 32, 32);
        settings.perms = permsEntry(dictionary);
    }
    CPdfElement metadata;
    dictionary.find("EncryptMetadata", metadata);
    settings.encryptMetadata = !metadata.is(ElementType::Boolean) || metadata.boolean();
    if (settings.version >= 4) {
        settings.streams = cryptFilterMethod(dictionary, "StmF", settings.version);
        settings.strings = cryptFilterMethod(dictionary, "StrF", settings.version);
    }
    return settings;
}
