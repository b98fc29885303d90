#pragma once

#include <cstdint>
#include <string>

class CPdfDictionary;

// How strings or streams are encrypted (ISO 32000-2, 7.6.3 and 7.6.5): not at
// all (the Identity crypt filter), RC4, AES-128 or AES-256 in CBC mode.
enum class CryptMethod { Identity, Rc4, AesV2, AesV3 };

// What the standard security handler's encryption dictionary says.
struct EncryptionSettings {
    int version = 0;          // V
    int revision = 0;         // R
    size_t keyLength = 5;     // bytes of the file key, as Length states it (16 where it is unusable)
    std::string owner;        // O
    std::string user;         // U
    std::string ownerKey;     // OE (revisions 5 and 6)
    std::string userKey;      // UE
    std::string perms;        // Perms (revisions 5 and 6): the permissions encrypted with the file key
    int32_t permissions = 0;  // P
    bool encryptMetadata = true;
    CryptMethod streams = CryptMethod::Rc4;
    CryptMethod strings = CryptMethod::Rc4;
};

// Reads the encryption dictionary. Throws a refusal for a handler other than the
// standard one, a version or revision it does not know, and a dictionary whose
// entries have the wrong kind or size.
EncryptionSettings readEncryptionSettings(const CPdfDictionary& dictionary);

// The refusal of an encryption dictionary that cannot be used as it stands.
[[noreturn]] void refuseEncryptionDictionary();
