#include "stream/PdfPredictor.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>

#include "limits/Limits.h"
#include "stream/PdfDecodingStream.h"

namespace {

int paeth(int left, int up, int upperLeft) {
    const int p = left + up - upperLeft;
    const int pa = std::abs(p - left);
    const int pb = std::abs(p - up);
    const int pc = std::abs(p - upperLeft);
    if (pa <= pb && pa <= pc) return left;
    if (pb <= pc) return up;
    return upperLeft;
}

}  // namespace

bool CPdfPredictor::isUsable(int32_t predictor, int32_t columns, int32_t colors, int32_t bits) {
    (void)predictor;
    if (colors < 1 || colors > 32 || columns < 1) return false;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return false;
    const int64_t pixelBytes = (int64_t{colors} * bits + 7) / 8;
    const int64_t rowBytes = pixelBytes + (int64_t{columns} * colors * bits + 7) / 8;
    return rowBytes <= limits::maximumPredictorRowBytes;
}

CPdfPredictor::CPdfPredictor(CPdfDecodingStream* source, int32_t predictor, int32_t columns, int32_t colors,
                             int32_t bits)
    : source(source), predictor(predictor), colors(colors), bits(bits) {
    valuesPerRow = columns * colors;
    pixelBytes = (colors * bits + 7) / 8;
    rowBytes = pixelBytes + static_cast<int32_t>((int64_t{valuesPerRow} * bits + 7) / 8);
    index = rowBytes;
}

int CPdfPredictor::readByte() {
    if (index >= rowBytes && !decodeRow()) return -1;
    return line[index++];
}

size_t CPdfPredictor::readBlock(uint8_t* into, size_t count) {
    size_t done = 0;
    for (;;) {
        if (index < rowBytes) {
            const size_t taken = std::min(count - done, static_cast<size_t>(rowBytes - index));
            std::memcpy(into + done, line.data() + index, taken);
            index += static_cast<int32_t>(taken);
            done += taken;
        }
        if (done == count) return done;
        done += decodeRowsInto(into + done, count - done);
        if (done == count) return done;
        if (!decodeRow()) return done;
    }
}

// The rows that fit whole in `room` bytes, undone straight into `into` from their raw
// bytes read at once, each against the one before it: where a cross-reference stream's
// many short rows went one call and two copies a row. The last becomes the line, as
// decodeRow would leave it. PNG rows only, as many as the scratch holds; none else.
size_t CPdfPredictor::decodeRowsInto(uint8_t* into, size_t room) {
    constexpr size_t scratchBytes = 4096;
    const size_t dataBytes = static_cast<size_t>(rowBytes - pixelBytes);
    const size_t rawBytes = dataBytes + 1;  // the tag first
    const size_t rows = std::min(room / dataBytes, scratchBytes / rawBytes);
    if (ended || predictor < 10 || rows == 0) return 0;
    if (line.empty()) startRows();
    uint8_t raw[scratchBytes];
    const size_t got = source->readUnpredicted(raw, rows * rawBytes);
    const size_t whole = got / rawBytes;
    const uint8_t* above = line.data() + pixelBytes;  // the row delivered last
    for (size_t r = 0; r < whole; ++r) {
        uint8_t* row = into + r * dataBytes;
        const uint8_t* rawRow = raw + r * rawBytes;
        undoPngRow(rawRow[0] + 10, rawRow + 1, row, above);
        above = row;
    }
    if (whole > 0) std::memcpy(line.data() + pixelBytes, above, dataBytes);
    // A row the data ends within is dropped, as decodeRow drops it.
    if (whole < rows) ended = true;
    return whole * dataBytes;
}

int CPdfPredictor::peekByte() {
    if (index >= rowBytes && !decodeRow()) return -1;
    return line[index];
}

// The rows are made when the first one is read: a decoder that is never read (the
// stream of an object fetched only for its dictionary) costs nothing, however
// wide its rows. A stream object is parsed, and decoded, at every fetch.
void CPdfPredictor::startRows() {
    line.assign(static_cast<size_t>(rowBytes), 0);
    previous.assign(static_cast<size_t>(rowBytes), 0);
}

bool CPdfPredictor::decodeRow() {
    if (ended) return false;
    if (line.empty()) startRows();
    // The delivered row becomes the previous one; every byte after the leading
    // zeros of `line` is overwritten below. The row's raw bytes are read whole
    // (a row the data ends within is dropped) and undone in place. A PNG row's tag
    // is read with it, into the last leading zero, which is zero again at once.
    line.swap(previous);
    const bool tagged = predictor >= 10;
    uint8_t* const rowStart = line.data() + pixelBytes - (tagged ? 1 : 0);
    const size_t rawBytes = static_cast<size_t>(rowBytes - pixelBytes) + (tagged ? 1 : 0);
    const size_t got = source->readUnpredicted(rowStart, rawBytes);
    const int filter = tagged ? rowStart[0] + 10 : predictor;
    if (tagged) rowStart[0] = 0;
    if (got != rawBytes) {
        ended = true;
        return false;
    }
    if (tagged) {
        uint8_t* const row = line.data() + pixelBytes;
        undoPngRow(filter, row, row, previous.data() + pixelBytes);
    }
    if (predictor == 2) undoTiffPredictor();
    index = pixelBytes;
    return true;
}

// Each byte adds its raw value to what the filter predicts from the byte a pixel
// to the left (already undone), the byte above and the byte above that left one;
// the first pixel's left neighbours are zeros. `raw` may be `row` itself. Any other
// filter leaves the bytes as they are.
void CPdfPredictor::undoPngRow(int filter, const uint8_t* raw, uint8_t* row, const uint8_t* above) const {
    const int32_t back = pixelBytes;
    const int32_t length = rowBytes - pixelBytes;
    const int32_t first = std::min(back, length);
    switch (filter) {
    case 11:
        for (int32_t i = 0; i < first; ++i) row[i] = raw[i];
        for (int32_t i = back; i < length; ++i) row[i] = static_cast<uint8_t>(raw[i] + row[i - back]);
        break;
    case 12:
        for (int32_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(raw[i] + above[i]);
        break;
    case 13:
        for (int32_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(raw[i] + above[i] / 2);
        for (int32_t i = back; i < length; ++i) row[i] = static_cast<uint8_t>(raw[i] + (row[i - back] + above[i]) / 2);
        break;
    case 14:
        for (int32_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(raw[i] + paeth(0, above[i], 0));
        for (int32_t i = back; i < length; ++i)
            row[i] = static_cast<uint8_t>(raw[i] + paeth(row[i - back], above[i], above[i - back]));
        break;
    default:
        if (raw != row) std::memcpy(row, raw, static_cast<size_t>(length));
        break;
    }
}

// Component n of the row, `bits` wide, most significant bit first.
uint32_t CPdfPredictor::component(int32_t n) const {
    const uint8_t* row = line.data() + pixelBytes;
    if (bits == 16) return (uint32_t{row[2 * n]} << 8) | row[2 * n + 1];
    if (bits == 8) return row[n];
    const int64_t bit = int64_t{n} * bits;
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void CPdfPredictor::setComponent(int32_t n, uint32_t value) {
    uint8_t* row = line.data() + pixelBytes;
    if (bits == 16) {
        row[2 * n] = static_cast<uint8_t>(value >> 8);
        row[2 * n + 1] = static_cast<uint8_t>(value);
        return;
    }
    if (bits == 8) {
        row[n] = static_cast<uint8_t>(value);
        return;
    }
    const int64_t bit = int64_t{n} * bits;
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    const uint8_t mask = static_cast<uint8_t>(((1u << bits) - 1) << shift);
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

// Each component of every pixel but the first is the sum, modulo 2^bits, with the
// same component of the pixel before it.
void CPdfPredictor::undoTiffPredictor() {
    const uint32_t modulusMask = bits == 16 ? 0xFFFFu : (1u << bits) - 1;
    for (int32_t n = colors; n < valuesPerRow; ++n)
        setComponent(n, (component(n) + component(n - colors)) & modulusMask);
}
