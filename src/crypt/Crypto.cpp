#include "crypt/Crypto.h"

#include <gcrypt.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "limits/Messages.h"
#include "model/PdfException.h"

namespace crypto {

namespace {

// libgcrypt's notes (on Windows its entropy gatherer asks for disk statistics)
// are not the program's to show; its warnings and errors still go to standard error.
void logQuietly(void*, int level, const char* format, va_list arguments) {
    if (level == GCRY_LOG_INFO || level == GCRY_LOG_DEBUG) return;
    std::vfprintf(stderr, format, arguments);
}

// libgcrypt wants to be told once that nobody needs its secure memory: the keys
// here protect documents, not secrets that must never reach the swap file.
void initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        gcry_set_log_handler(logQuietly, nullptr);
        if (!gcry_check_version(GCRYPT_VERSION))
            throw CPdfException(FailureKind::Internal, message::cryptographyLibraryTooOld);
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

int algorithmOf(DigestKind kind) {
    switch (kind) {
    case DigestKind::Md5:
        return GCRY_MD_MD5;
    case DigestKind::Sha256:
        return GCRY_MD_SHA256;
    case DigestKind::Sha384:
        return GCRY_MD_SHA384;
    case DigestKind::Sha512:
        return GCRY_MD_SHA512;
    }
    return GCRY_MD_MD5;
}

void check(gcry_error_t error) {
    if (error) throw CPdfException(FailureKind::Internal, message::cryptographyLibraryFailed(gcry_strerror(error)));
}

// A cipher handle that is closed on every path.
class Cipher {
public:
    Cipher(int algorithm, int mode, const uint8_t* key, size_t keyLength) {
        initialise();
        check(gcry_cipher_open(&handle, algorithm, mode, 0));
        check(gcry_cipher_setkey(handle, key, keyLength));
    }
    ~Cipher() { gcry_cipher_close(handle); }
    Cipher(const Cipher&) = delete;
    Cipher& operator=(const Cipher&) = delete;
    gcry_cipher_hd_t get() const { return handle; }

private:
    gcry_cipher_hd_t handle = nullptr;
};

int aesAlgorithm(const Bytes& key) {
    if (key.size() == 16) return GCRY_CIPHER_AES128;
    if (key.size() == 32) return GCRY_CIPHER_AES256;
    throw CPdfException(FailureKind::Encrypted, message::encryptionKeyLengthWrong);
}

}  // namespace

Digest::Digest(DigestKind kind) : kind(kind) {
    initialise();
    gcry_md_hd_t opened = nullptr;
    check(gcry_md_open(&opened, algorithmOf(kind), 0));
    handle = opened;
}

Digest::~Digest() { gcry_md_close(static_cast<gcry_md_hd_t>(handle)); }

Digest& Digest::add(const uint8_t* data, size_t length) {
    gcry_md_write(static_cast<gcry_md_hd_t>(handle), data, length);
    return *this;
}

Bytes Digest::finish() {
    const int algorithm = algorithmOf(kind);
    const unsigned char* result = gcry_md_read(static_cast<gcry_md_hd_t>(handle), algorithm);
    return Bytes(result, result + gcry_md_get_algo_dlen(algorithm));
}

Bytes digestOf(DigestKind kind, const Bytes& data) { return Digest(kind).add(data).finish(); }

void rc4(const Bytes& key, uint8_t* data, size_t length) {
    Cipher cipher(GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_MODE_STREAM, key.data(), key.size());
    check(gcry_cipher_encrypt(cipher.get(), data, length, nullptr, 0));
}

void aesCbcEncrypt(const Bytes& key, const uint8_t* iv, uint8_t* data, size_t length) {
    Cipher cipher(aesAlgorithm(key), GCRY_CIPHER_MODE_CBC, key.data(), key.size());
    check(gcry_cipher_setiv(cipher.get(), iv, 16));
    check(gcry_cipher_encrypt(cipher.get(), data, length, nullptr, 0));
}

void aesCbcDecrypt(const Bytes& key, const uint8_t* iv, uint8_t* data, size_t length) {
    Cipher cipher(aesAlgorithm(key), GCRY_CIPHER_MODE_CBC, key.data(), key.size());
    check(gcry_cipher_setiv(cipher.get(), iv, 16));
    check(gcry_cipher_decrypt(cipher.get(), data, length, nullptr, 0));
}

Bytes nonce(size_t length) {
    initialise();
    Bytes bytes(length);
    gcry_create_nonce(bytes.data(), bytes.size());
    return bytes;
}

const char* libraryVersion() {
    initialise();
    return gcry_check_version(nullptr);
}

}  // namespace crypto
