#pragma once

#include <string>
#include <utility>

#include "crypt/Crypto.h"
#include "crypt/EncryptionSettings.h"
#include "model/PdfElement.h"
#include "stream/PdfStream.h"

// The decrypted data of one stream object, read like the raw data it replaces,
// dictionary included. The raw data is read and decrypted whole when the stream
// is first read (AES needs the last block for the padding), and then held.
class CPdfDecryptedStream final : public CPdfStream {
public:
    CPdfDecryptedStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary, CryptMethod method,
                        crypto::Bytes key);

    void rewind() override { position = 0; }
    int readByte() override;
    int peekByte() override;
    size_t readBlock(uint8_t* into, size_t count) override;
    CPdfDictionary* streamDictionary() const override;
    uint64_t tell() const override { return position; }
    void seek(int64_t offset, int whence) override;
    uint64_t windowStart() const override { return 0; }
    void shiftWindow(int64_t) override {}
    uint64_t windowLength() const override;
    RetainPtr<CPdfStream> openWindow(uint64_t, uint64_t, const CPdfElement&) override { return nullptr; }

private:
    const std::string& plain() const;

    mutable RetainPtr<CPdfStream> raw;  // until decrypted
    CPdfElement dictionary;
    CryptMethod method;
    crypto::Bytes key;
    mutable std::string data;
    uint32_t position = 0;
};
