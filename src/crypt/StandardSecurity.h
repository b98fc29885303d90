#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypt/Crypto.h"
#include "crypt/EncryptionSettings.h"
#include "stream/StreamDecryption.h"

class CPdfDictionary;

// The standard security handler of an open encrypted file (ISO 32000-2, 7.6.4):
// its file key once a password opened it, whether that was the owner's, the
// permissions, and the per-object encryption of strings and streams.
class StandardSecurity final : public StreamDecryption {
public:
    StandardSecurity(EncryptionSettings settings, std::string firstId);

    // Tries `password` (as typed, UTF-8, and in the form that the revision hashes)
    // as the owner password, then as the user password. False when it is neither,
    // or when revision 6's Perms does not confirm the key; the handler is then
    // unusable. A revision 3 key whose Length is wrong is found at its true length.
    bool authenticate(const std::string& password);
    bool openedByOwner() const { return owner; }
    // Rotating pages is assembling the document: allowed to the owner, or when the
    // permissions allow modifying (bit 4) or, from revision 3 on, assembling (bit 11).
    bool allowsAssembling() const;
    const EncryptionSettings& settings() const { return encryption; }

    RetainPtr<CPdfStream> decryptStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary,
                                        ObjectId object) const override;
    // The data of a stream of `object`, decrypted as `method` asks.
    std::string decryptData(CryptMethod method, std::string data, ObjectId object) const;
    // The same with the object's key given.
    static std::string decryptWithKey(CryptMethod method, const crypto::Bytes& key, std::string data);
    // A string of `object` encrypted as the file's strings are.
    std::string encryptString(std::string_view plain, ObjectId object) const;
    // The data of a stream of `object` encrypted as the file's streams are.
    std::string encryptStream(std::string_view plain, ObjectId object) const;
    bool encryptsStrings() const { return encryption.strings != CryptMethod::Identity; }

private:
    bool authenticateAs(const std::string& password);
    bool permsConfirmKey() const;
    crypto::Bytes objectKey(CryptMethod method, ObjectId object) const;
    std::string encryptData(CryptMethod method, std::string_view plain, ObjectId object) const;

    EncryptionSettings encryption;
    std::string firstId;
    crypto::Bytes fileKey;
    bool owner = false;
};
