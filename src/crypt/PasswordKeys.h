#pragma once
// The standard security handler's password algorithms (ISO 32000-2, 7.6.4.3 and
// 7.6.4.4): the file key from a password, and the checks of the user and owner
// passwords. Each gives the file key when the password is right, or nothing.
#include <optional>
#include <string>

#include "crypt/Crypto.h"
#include "crypt/EncryptionSettings.h"

namespace passwords {

// Revisions 2 to 4.
crypto::Bytes fileKeyFromPassword(const EncryptionSettings& settings, const std::string& firstId,
                                  const std::string& password);
std::optional<crypto::Bytes> userKey(const EncryptionSettings& settings, const std::string& firstId,
                                     const std::string& password);
std::optional<crypto::Bytes> ownerKey(const EncryptionSettings& settings, const std::string& firstId,
                                      const std::string& password);

// Revisions 5 and 6: the password as UTF-8, at most 127 bytes of it count.
std::optional<crypto::Bytes> userKeyAes256(const EncryptionSettings& settings, const std::string& password);
std::optional<crypto::Bytes> ownerKeyAes256(const EncryptionSettings& settings, const std::string& password);
// The hash of revision 6 (revision 5 takes plain SHA-256).
crypto::Bytes hardenedHash(const std::string& password, const std::string& salt, const std::string& userData);

}  // namespace passwords
