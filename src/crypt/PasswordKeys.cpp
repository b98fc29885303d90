#include "crypt/PasswordKeys.h"

#include <algorithm>
#include <cstring>

#include "crypt/PasswordText.h"

namespace passwords {

using crypto::Bytes;
using crypto::Digest;
using crypto::DigestKind;

namespace {

constexpr uint8_t padding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                 0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// The password cut or padded to 32 bytes with the fixed padding string.
Bytes padded(const std::string& password) {
    Bytes result(bytesOf(password), bytesOf(password) + std::min<size_t>(password.size(), 32));
    result.insert(result.end(), padding, padding + (32 - result.size()));
    return result;
}

size_t keyLengthFor(const EncryptionSettings& settings) { return settings.revision == 2 ? 5 : settings.keyLength; }

// RC4 with the key, then, from revision 3 on, 19 more times with each byte of the
// key XORed with the round number (`down` runs the rounds in reverse, to undo them).
void rc4Rounds(const EncryptionSettings& settings, const Bytes& key, Bytes& data, bool down) {
    if (settings.revision == 2) {
        crypto::rc4(key, data);
        return;
    }
    for (int step = 0; step < 20; ++step) {
        const int round = down ? 19 - step : step;
        Bytes roundKey = key;
        for (uint8_t& byte : roundKey) byte ^= static_cast<uint8_t>(round);
        crypto::rc4(roundKey, data);
    }
}

// The first 32 bytes of U as a password of revision 2 to 4 would give them.
Bytes userEntryFor(const EncryptionSettings& settings, const std::string& firstId, const Bytes& key) {
    if (settings.revision == 2) {
        Bytes entry(padding, padding + 32);
        crypto::rc4(key, entry);
        return entry;
    }
    Bytes entry = Digest(DigestKind::Md5).add(padding, 32).add(bytesOf(firstId), firstId.size()).finish();
    rc4Rounds(settings, key, entry, false);
    return entry;
}

Bytes aes256Hash(const EncryptionSettings& settings, const std::string& password, const std::string& salt,
                 const std::string& userData) {
    if (settings.revision == 6) return hardenedHash(password, salt, userData);
    return Digest(DigestKind::Sha256)
        .add(bytesOf(password), password.size())
        .add(bytesOf(salt), salt.size())
        .add(bytesOf(userData), userData.size())
        .finish();
}

// The file key that OE or UE holds, encrypted with the intermediate key.
Bytes unwrapFileKey(const Bytes& intermediate, const std::string& wrapped) {
    Bytes key(bytesOf(wrapped), bytesOf(wrapped) + 32);
    const uint8_t zeroIv[16] = {};
    crypto::aesCbcDecrypt(intermediate, zeroIv, key.data(), key.size());
    return key;
}

bool sameBytes(const Bytes& computed, const std::string& stored, size_t count) {
    return computed.size() >= count && stored.size() >= count &&
           std::memcmp(computed.data(), stored.data(), count) == 0;
}

}  // namespace

Bytes fileKeyFromPassword(const EncryptionSettings& settings, const std::string& firstId, const std::string& password) {
    const size_t length = keyLengthFor(settings);
    const uint32_t p = static_cast<uint32_t>(settings.permissions);
    const uint8_t permissionBytes[4] = {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8),
                                        static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 24)};
    Digest digest(DigestKind::Md5);
    digest.add(padded(password)).add(bytesOf(settings.owner), 32).add(permissionBytes, 4);
    digest.add(bytesOf(firstId), firstId.size());
    if (settings.revision >= 4 && !settings.encryptMetadata) {
        const uint8_t unencrypted[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        digest.add(unencrypted, 4);
    }
    Bytes key = digest.finish();
    if (settings.revision >= 3) {
        for (int round = 0; round < 50; ++round) key = Digest(DigestKind::Md5).add(key.data(), length).finish();
    }
    key.resize(length);
    return key;
}

std::optional<Bytes> userKey(const EncryptionSettings& settings, const std::string& firstId,
                             const std::string& password) {
    Bytes key = fileKeyFromPassword(settings, firstId, password);
    const Bytes entry = userEntryFor(settings, firstId, key);
    if (!sameBytes(entry, settings.user, settings.revision == 2 ? 32 : 16)) return std::nullopt;
    return key;
}

namespace {

// The key that O is encrypted with. From revision 3 on ISO 32000 hashes the whole
// digest 50 times; some writers hash only the key's bytes, as for the file key.
// The two agree for 128-bit keys.
Bytes ownerEntryKey(const EncryptionSettings& settings, const std::string& password, bool wholeDigest) {
    const size_t length = keyLengthFor(settings);
    Bytes key = Digest(DigestKind::Md5).add(padded(password)).finish();
    if (settings.revision >= 3) {
        for (int round = 0; round < 50; ++round)
            key = Digest(DigestKind::Md5).add(key.data(), wholeDigest ? key.size() : length).finish();
    }
    key.resize(length);
    return key;
}

}  // namespace

// The owner password's key decrypts O into the user password, which then opens the file.
std::optional<Bytes> ownerKey(const EncryptionSettings& settings, const std::string& firstId,
                              const std::string& password) {
    for (const bool wholeDigest : {true, false}) {
        if (!wholeDigest && (settings.revision < 3 || keyLengthFor(settings) >= 16)) break;
        Bytes user(bytesOf(settings.owner), bytesOf(settings.owner) + 32);
        rc4Rounds(settings, ownerEntryKey(settings, password, wholeDigest), user, true);
        if (auto key = userKey(settings, firstId, std::string(user.begin(), user.end()))) return key;
    }
    return std::nullopt;
}

std::optional<Bytes> userKeyAes256(const EncryptionSettings& settings, const std::string& password) {
    const std::string text = aes256PasswordBytes(password);
    const std::string& u = settings.user;
    if (!sameBytes(aes256Hash(settings, text, u.substr(32, 8), ""), u, 32)) return std::nullopt;
    return unwrapFileKey(aes256Hash(settings, text, u.substr(40, 8), ""), settings.userKey);
}

std::optional<Bytes> ownerKeyAes256(const EncryptionSettings& settings, const std::string& password) {
    const std::string text = aes256PasswordBytes(password);
    const std::string& o = settings.owner;
    const std::string u = settings.user.substr(0, 48);
    if (!sameBytes(aes256Hash(settings, text, o.substr(32, 8), u), o, 32)) return std::nullopt;
    return unwrapFileKey(aes256Hash(settings, text, o.substr(40, 8), u), settings.ownerKey);
}

// Rounds of AES-128 and SHA-2 until at least 64 have run and the last byte of the
// round's encryption allows stopping; the rounds are bounded, as that byte is at
// most 255 (so at most 287 rounds).
Bytes hardenedHash(const std::string& password, const std::string& salt, const std::string& userData) {
    Bytes k = Digest(DigestKind::Sha256)
                  .add(bytesOf(password), password.size())
                  .add(bytesOf(salt), salt.size())
                  .add(bytesOf(userData), userData.size())
                  .finish();
    Bytes block;
    for (int round = 1;; ++round) {
        block.clear();
        for (int copy = 0; copy < 64; ++copy) {
            block.insert(block.end(), bytesOf(password), bytesOf(password) + password.size());
            block.insert(block.end(), k.begin(), k.end());
            block.insert(block.end(), bytesOf(userData), bytesOf(userData) + userData.size());
        }
        const Bytes aesKey(k.begin(), k.begin() + 16);
        crypto::aesCbcEncrypt(aesKey, k.data() + 16, block.data(), block.size());
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i) sum += block[static_cast<size_t>(i)];
        static constexpr DigestKind next[3] = {DigestKind::Sha256, DigestKind::Sha384, DigestKind::Sha512};
        k = crypto::digestOf(next[sum % 3], block);
        if (round >= 64 && block.back() <= round - 32) break;
    }
    k.resize(32);
    return k;
}

}  // namespace passwords
