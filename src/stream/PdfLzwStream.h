#pragma once

#include <cstdint>

#include "stream/PdfDecodingStream.h"

// LZWDecode: codes of 9 to 12 bits, most significant bit first, 256 to clear the
// table and 257 to end the data, optionally followed by a PNG or TIFF predictor.
// With EarlyChange 1 (the default) the codes grow one code sooner than the table
// needs. A code the table cannot have yet ends the data after the bytes before it.
class CPdfLzwStream final : public CPdfDecodingStream {
public:
    // The caller has checked the predictor parameters with CPdfPredictor::isUsable.
    CPdfLzwStream(RetainPtr<CPdfStream> underlying, bool earlyChange, int32_t predictor, int32_t columns,
                  int32_t colors, int32_t bits);

    static constexpr uint32_t tableSize = 4096;

private:
    // A string of the table: a shorter string and one byte more.
    struct Entry {
        uint16_t prefix;
        uint16_t length;
        uint8_t last;
        uint8_t first;
    };

    uint32_t decode(unsigned char* into, uint32_t room) override;
    int readCode();
    bool decodeCode();
    void clearTable();
    void spell(uint32_t code);

    Entry table[tableSize];
    unsigned char spelled[tableSize];  // the string of the last code, at its end
    uint32_t spelledCurrent = tableSize;
    int previous = -1;  // the code before, or -1 after a clear
    uint32_t nextCode = 0;
    int width = 9;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    uint32_t earlyChange;
    bool finished = false;
};
