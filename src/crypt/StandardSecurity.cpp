#include "crypt/StandardSecurity.h"

#include <cstring>
#include <utility>
#include <vector>

#include "crypt/DecryptedStream.h"
#include "crypt/PasswordKeys.h"
#include "crypt/PasswordText.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "stream/PdfStream.h"

StandardSecurity::StandardSecurity(EncryptionSettings settings, std::string firstId)
    : encryption(std::move(settings)), firstId(std::move(firstId)) {}

namespace {

// The forms of a typed password to try: the one the revision hashes (PDFDocEncoding
// up to revision 4, SASLprep from 5 on) where it differs, then the bytes as typed,
// as writers that hash those make them.
std::vector<std::string> passwordForms(const EncryptionSettings& settings, const std::string& typed) {
    std::vector<std::string> forms;
    const std::optional<std::string> standard =
        settings.revision >= 5 ? passwords::saslPrepared(typed) : passwords::pdfDocEncoded(typed);
    if (standard && *standard != typed) forms.push_back(*standard);
    forms.push_back(typed);
    return forms;
}

// The key lengths to try: Length's first; for revision 3, whose Length some writers
// get wrong, then every other one (U confirms only the right one).
std::vector<size_t> keyLengthsToTry(const EncryptionSettings& settings) {
    std::vector<size_t> lengths{settings.keyLength};
    if (settings.revision != 3) return lengths;
    for (size_t length = 5; length <= 16; ++length)
        if (length != settings.keyLength) lengths.push_back(length);
    return lengths;
}

}  // namespace

bool StandardSecurity::authenticate(const std::string& password) {
    const std::vector<std::string> forms = passwordForms(encryption, password);
    const size_t stated = encryption.keyLength;
    for (const size_t length : keyLengthsToTry(encryption)) {
        encryption.keyLength = length;
        for (const std::string& form : forms)
            if (authenticateAs(form)) return true;
    }
    encryption.keyLength = stated;
    return false;
}

bool StandardSecurity::authenticateAs(const std::string& password) {
    const bool aes256 = encryption.revision >= 5;
    std::optional<crypto::Bytes> key =
        aes256 ? passwords::ownerKeyAes256(encryption, password) : passwords::ownerKey(encryption, firstId, password);
    owner = key.has_value();
    if (!key)
        key =
            aes256 ? passwords::userKeyAes256(encryption, password) : passwords::userKey(encryption, firstId, password);
    if (!key) return false;
    fileKey = std::move(*key);
    if (permsConfirmKey()) return true;
    fileKey.clear();
    owner = false;
    return false;
}

// Revision 6's Perms is the permissions encrypted with the file key (AES-256 in
// ECB mode, one block): "adb" at bytes 9 to 11, and P in the first four bytes,
// low byte first. A file whose P was changed without the key fails here.
bool StandardSecurity::permsConfirmKey() const {
    if (encryption.revision != 6) return true;
    if (encryption.perms.size() != 16) return false;
    crypto::Bytes block(encryption.perms.begin(), encryption.perms.end());
    const uint8_t noChaining[16] = {};  // CBC of one block from a zero vector is ECB
    crypto::aesCbcDecrypt(fileKey, noChaining, block.data(), block.size());
    const uint32_t p = static_cast<uint32_t>(encryption.permissions);
    for (int i = 0; i < 4; ++i)
        if (block[static_cast<size_t>(i)] != static_cast<uint8_t>(p >> (8 * i))) return false;
    return block[9] == 'a' && block[10] == 'd' && block[11] == 'b';
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
    return encryptData(encryption.strings, plain, object);
}

std::string StandardSecurity::encryptStream(std::string_view plain, ObjectId object) const {
    return encryptData(encryption.streams, plain, object);
}

// RC4 data is the same length; AES data is a fresh initialisation vector and whole
// blocks, the last one padded.
std::string StandardSecurity::encryptData(CryptMethod method, std::string_view plain, ObjectId object) const {
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

// A stream whose filters open with /Crypt names its own crypt filter in that
// filter's parameters; without a name it is Identity (ISO 32000, 7.4.10). Only
// Identity is told apart: any other name takes the file's method for streams.
bool opensWithIdentityCrypt(const CPdfDictionary& dictionary) {
    CPdfElement filters, first, parameters, name;
    dictionary.find("Filter", filters);
    if (!filters.is(ElementType::Array) || filters.array()->size() < 1) return false;
    filters.array()->at(0, first);
    if (!first.is(ElementType::Name) || !first.hasText("Crypt")) return false;
    dictionary.find("DecodeParms", parameters);
    if (parameters.is(ElementType::Array) && parameters.array()->size() >= 1) {
        CPdfElement own;
        parameters.array()->at(0, own);
        parameters.clear();
        parameters.takeFrom(own);
    }
    if (parameters.is(ElementType::Dictionary)) parameters.dictionary()->find("Name", name);
    return !name.is(ElementType::Name) || name.hasText("Identity");
}

}  // namespace

// Cross-reference streams are never encrypted, nor metadata streams when the
// dictionary says so, nor streams whose own crypt filter is Identity. The data is decrypted when it is first read: a
// lookup that only looks at a stream's dictionary costs no decryption.
RetainPtr<CPdfStream> StandardSecurity::decryptStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary,
                                                      ObjectId object) const {
    if (encryption.streams == CryptMethod::Identity || !dictionary.is(ElementType::Dictionary)) return raw;
    const CPdfDictionary& streamDictionary = *dictionary.dictionary();
    if (hasType(streamDictionary, "XRef")) return raw;
    if (!encryption.encryptMetadata && hasType(streamDictionary, "Metadata")) return raw;
    if (opensWithIdentityCrypt(streamDictionary)) return raw;
    return makeRetained<CPdfDecryptedStream>(std::move(raw), dictionary, encryption.streams,
                                             objectKey(encryption.streams, object));
}
