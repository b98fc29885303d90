#pragma once

#include <cstdint>

#include "stream/PdfDecodingStream.h"

// The two filters that carry binary data as printable text. White space between
// the digits is skipped; a character that cannot be there ends the data after
// the bytes already complete, and so does the end of the input before the
// filter's end mark (the bytes of a final partial group are then still given).

// ASCIIHexDecode: two hexadecimal digits a byte, ended by '>'; an odd final digit
// is taken as if a 0 followed it.
class CPdfAsciiHexStream final : public CPdfDecodingStream {
public:
    explicit CPdfAsciiHexStream(RetainPtr<CPdfStream> underlying) : CPdfDecodingStream(std::move(underlying)) {}

private:
    uint32_t decode(unsigned char* into, uint32_t room) override;

    int highDigit = -1;  // the first digit of a byte whose second has not come yet
    bool finished = false;
};

// ASCII85Decode: groups of five base-85 digits '!'..'u' for four bytes, 'z' for
// four zeros, ended by "~>"; a final group of n digits (2 to 4) gives n - 1 bytes.
// A leading "<~", which some producers write, is passed over.
class CPdfAscii85Stream final : public CPdfDecodingStream {
public:
    explicit CPdfAscii85Stream(RetainPtr<CPdfStream> underlying) : CPdfDecodingStream(std::move(underlying)) {}

private:
    uint32_t decode(unsigned char* into, uint32_t room) override;
    uint32_t finishPartialGroup(unsigned char* into);

    uint64_t value = 0;  // the digits of the group so far
    int digits = 0;
    bool started = false;  // a character other than white space has been read
    bool finished = false;
};
