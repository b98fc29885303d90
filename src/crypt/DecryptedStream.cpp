#include "crypt/DecryptedStream.h"

#include <algorithm>
#include <cstring>

#include "crypt/StandardSecurity.h"

CPdfDecryptedStream::CPdfDecryptedStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary, CryptMethod method,
                                         crypto::Bytes key)
    : raw(std::move(raw)), method(method), key(std::move(key)) {
    this->dictionary.copyFrom(dictionary);
}

const std::string& CPdfDecryptedStream::plain() const {
    if (!raw) return data;
    std::string encrypted;
    uint8_t block[16384];
    while (const size_t got = raw->readBlock(block, sizeof block))
        encrypted.append(reinterpret_cast<char*>(block), got);
    raw.reset();
    data = StandardSecurity::decryptWithKey(method, key, std::move(encrypted));
    return data;
}

int CPdfDecryptedStream::readByte() {
    const std::string& bytes = plain();
    return position < bytes.size() ? static_cast<uint8_t>(bytes[position++]) : -1;
}

int CPdfDecryptedStream::peekByte() {
    const std::string& bytes = plain();
    return position < bytes.size() ? static_cast<uint8_t>(bytes[position]) : -1;
}

size_t CPdfDecryptedStream::readBlock(uint8_t* into, size_t count) {
    const std::string& bytes = plain();
    const size_t take = position < bytes.size() ? std::min(count, bytes.size() - position) : 0;
    std::memcpy(into, bytes.data() + position, take);
    position += static_cast<uint32_t>(take);
    return take;
}

CPdfDictionary* CPdfDecryptedStream::streamDictionary() const {
    return dictionary.is(ElementType::Dictionary) ? dictionary.dictionary() : nullptr;
}

void CPdfDecryptedStream::seek(int64_t offset, int whence) {
    const int64_t length = static_cast<int64_t>(plain().size());
    const int64_t target = whence == 2 ? length + offset : offset;
    position = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, length));
}

uint64_t CPdfDecryptedStream::windowLength() const { return static_cast<uint32_t>(plain().size()); }
