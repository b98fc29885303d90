#pragma once

#include <cstdint>

#include "model/ObjectId.h"
#include "model/RetainPtr.h"

class CPdfElement;
class CPdfStream;

// Decrypts the data of stream objects in an encrypted file. The parser puts it
// below the filters, so that every reader of a stream gets the decrypted bytes.
class StreamDecryption {
public:
    virtual ~StreamDecryption() = default;
    // The stream to read `object`'s data through, given its raw data and its
    // dictionary: `raw` itself where the data is not encrypted.
    virtual RetainPtr<CPdfStream> decryptStream(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary,
                                                ObjectId object) const = 0;
};
