#pragma once
// The cryptography that encrypted PDF files need, from libgcrypt: digests, RC4,
// AES and random bytes. Nothing here knows about PDF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace crypto {

using Bytes = std::vector<uint8_t>;

enum class DigestKind { Md5, Sha256, Sha384, Sha512 };

// One digest computed over pieces given in turn.
class Digest {
public:
    explicit Digest(DigestKind kind);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    Digest& add(const uint8_t* data, size_t length);
    Digest& add(const Bytes& data) { return add(data.data(), data.size()); }
    // The digest of everything added; the object is spent afterwards.
    Bytes finish();

private:
    void* handle = nullptr;
    DigestKind kind;
};

Bytes digestOf(DigestKind kind, const Bytes& data);

// RC4 with `key` over `data`, in place (the same operation encrypts and decrypts).
void rc4(const Bytes& key, uint8_t* data, size_t length);
inline void rc4(const Bytes& key, Bytes& data) { rc4(key, data.data(), data.size()); }

// AES in CBC mode without padding; `data` is a whole number of 16-byte blocks and
// the key 16 or 32 bytes long. In place.
void aesCbcEncrypt(const Bytes& key, const uint8_t* iv, uint8_t* data, size_t length);
void aesCbcDecrypt(const Bytes& key, const uint8_t* iv, uint8_t* data, size_t length);

// Bytes for initialisation vectors: unpredictable, not of key quality.
Bytes nonce(size_t length);

// The version of libgcrypt that the program runs with.
const char* libraryVersion();

}  // namespace crypto
