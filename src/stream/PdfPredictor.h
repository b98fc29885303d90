#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CPdfDecodingStream;

// Undoes a PNG (10 and up) or TIFF (2) predictor over the raw bytes of a decoding
// stream, one row at a time. The line keeps `pixelBytes` leading zeros as the left
// neighbours of each row's first pixel.
class CPdfPredictor {
public:
    // The caller has checked the parameters with isUsable().
    CPdfPredictor(CPdfDecodingStream* source, int32_t predictor, int32_t columns, int32_t colors, int32_t bits);

    static bool isUsable(int32_t predictor, int32_t columns, int32_t colors, int32_t bits);

    int readByte();
    int peekByte();
    // Up to `count` bytes, as that many readByte calls would give them.
    size_t readBlock(uint8_t* into, size_t count);

private:
    void startRows();
    bool decodeRow();
    size_t decodeRowsInto(uint8_t* into, size_t room);
    void undoPngRow(int filter, const uint8_t* raw, uint8_t* row, const uint8_t* above) const;
    void undoTiffPredictor();
    uint32_t component(int32_t n) const;
    void setComponent(int32_t n, uint32_t value);

    CPdfDecodingStream* source;
    int32_t predictor;
    int32_t colors;
    int32_t bits;
    int32_t valuesPerRow;
    int32_t pixelBytes;
    int32_t rowBytes;
    std::vector<uint8_t> line;      // the row being delivered
    std::vector<uint8_t> previous;  // the row before it (all zeros before the first)
    int32_t index;
    bool ended = false;
};
