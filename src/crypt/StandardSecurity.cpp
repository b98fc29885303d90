#include "crypt/StandardSecurity.h"

#include <cstring>
#include <utility>

#include "crypt/DecryptedStream.h"
#include "crypt/PasswordKeys.h"
#include "model/PdfDictionary.h"
#include "stream/PdfStream.h"

StandardSecurity::StandardSecurity(EncryptionSettings settings, std::string firstId)
    : encryption(std::move(settings)), firstId(std::move(firstId)) {}

bool StandardSecurity::authenticate(const std::string& password) {
    const bool aes256 = encryption.revision >= 5;
    std::optional<crypto::Bytes> key =
        aes256 ? passwords::ownerKeyAes256(encryption, password) : passwords::ownerKey(encryption, firstId, password);
    owner = key.has_value();
    if (!key)
        key =
            aes256 ? passwords::userKeyAes256(encryption, password) : passwords::userKey(encryption, firstId, password);
    if (!key) return false;
    fileKey = std::move(*key);
    return true;
}

bool StandardSecurity::allowsAssembling() const {
    const uint32_t p = static_cast<uint32_t>(encryption.permissions);
    constexpr uint32_t modify = 1u << 3, assemble = 1u << 10;
    return owner || (p & modify) != 0 || (encryption.revision >= 3 && (p & assemble) != 0);
}

// Revisions up to 4 key each object by its number and generation (and "sAlT" for
// AES); AES-256 uses the file key itself.
crypto::Bytes StandardSecurity::objectKey(CryptMethod method, ObjectId object) const {
    if (method == CryptMethod::AesV3) return fileKey;
    const uint32_t n = static_cast<uint32_t>(object.number), g = static_cast<uint32_t>(object.generation);
    const uint8_t id[5] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                           static_cast<uint8_t>(g), static_cast<uint8_t>(g >> 8)};
    crypto::Digest digest(crypto::DigestKind::Md5);
    digest.add(fileKey).add(id, sizeof id);
    if (method == CryptMethod::AesV2) digest.add(reinterpret_cast<const uint8_t*>("sAlT"), 4);
    crypto::Bytes key = digest.finish();
    key.resize(std::min<size_t>(fileKey.size() + 5, 16));
    return key;
}

std::string StandardSecurity::decryptData(CryptMethod method, std::string data, ObjectId object) const {
    if (method == CryptMethod::Identity) return data;
    return decryptWithKey(method, objectKey(method, object), std::move(data));
}

// AES data is an initialisation vector and whole blocks, the last one padded.
// Data that is too short gives nothing, an incomplete last block is dropped, and
// padding that is not well formed is left in place, as other readers do.
std::string StandardSecurity::decryptWithKey(CryptMethod method, const crypto::Bytes& key, std::string data) {
    if (method == CryptMethod::Identity) return data;
    auto* bytes = reinterpret_cast<uint8_t*>(data.data());
    if (method == CryptMethod::Rc4) {
        crypto::rc4(key, bytes, data.size());
        return data;
    }
    if (data.size() < 32) return std::string();
    const size_t blocks = (data.size() - 16) / 16 * 16;
    crypto::aesCbcDecrypt(key, bytes, bytes + 16, blocks);
    std::string plain(data.begin() + 16, data.begin() + 16 + static_cast<std::ptrdiff_t>(blocks));
    const unsigned pad = plain.empty() ? 0 : static_cast<uint8_t>(plain.back());
    bool wellFormed = pad >= 1 && pad <= 16 && pad <= plain.size();
    for (size_t i = 0; wellFormed && i < pad; ++i)
        wellFormed = static_cast<uint8_t>(plain[plain.size() - 1 - i]) == pad;
    if (wellFormed) plain.resize(plain.size() - pad);
    return plain;
}

std::string StandardSecurity::encryptString(std::string_view plain, ObjectId object) const {
    const CryptMethod method = encryption.strings;
    if (method == CryptMethod::Identity) return std::string(plain);
    const crypto::Bytes key = objectKey(method, object);
    crypto::Bytes data(plain.begin(), plain.end());
    if (method == CryptMethod::Rc4) {
        crypto::rc4(key, data);
        return std::string(data.begin(), data.end());
    }
    const size_t pad = 16 - data.size() % 16;
    data.insert(data.end(), pad, static_cast<uint8_t>(pad));
    crypto::Bytes result = crypto::nonce(16);
    crypto::aesCbcEncrypt(key, result.data(), data.data(), data.size());
    result.insert(result.end(), data.begin(), data.end());
    return std::string(result.begin(), result.end());
}

namespace {

bool hasType(const CPdfDictionary& dictionary, const char* type) {
    CPdfElement value;
    dictionary.find("Type", value);
    return value.is(ElementType::Name) && std::strcmp(value.text(), type) == 0;
}

}  // namespace

// Cross-reference streams are never encrypted, nor metadata streams when the
// dictionary says so. The data is decrypted when it is first read: a lookup that
// only looks at a stream's dictionary costs no decryption.
RetainPtr<CPdfStream> StandardSecurity::decryptStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary,
                                                      ObjectId object) const {
    if (encryption.streams == CryptMethod::Identity || !dictionary.is(ElementType::Dictionary)) return raw;
    const CPdfDictionary& streamDictionary = *dictionary.dictionary();
    if (hasType(streamDictionary, "XRef")) return raw;
    if (!encryption.encryptMetadata && hasType(streamDictionary, "Metadata")) return raw;
    return makeRetained<CPdfDecryptedStream>(std::move(raw), dictionary, encryption.streams,
                                             objectKey(encryption.streams, object));
}
