#include "stream/PdfTextDecoders.h"

namespace {

// White space as the PDF format counts it.
bool isWhiteSpace(int c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

int hexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr uint64_t largestGroup = UINT32_MAX;

void writeGroup(unsigned char* into, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) into[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

}  // namespace

uint32_t CPdfAsciiHexStream::decode(unsigned char* into, uint32_t room) {
    uint32_t done = 0;
    while (done < room && !finished) {
        const int c = nextInput();
        if (c < 0 || c == '>') {
            if (highDigit >= 0) into[done++] = static_cast<unsigned char>(highDigit << 4);
            finished = true;
            break;
        }
        if (isWhiteSpace(c)) continue;
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            finished = true;
        } else if (highDigit < 0) {
            highDigit = digit;
        } else {
            into[done++] = static_cast<unsigned char>(highDigit << 4 | digit);
            highDigit = -1;
        }
    }
    return done;
}

// A group of n digits stands for n - 1 bytes: it is completed with the highest
// digit, and the bytes beyond are dropped.
uint32_t CPdfAscii85Stream::finishPartialGroup(unsigned char* into) {
    if (digits < 2) return 0;
    const int bytes = digits - 1;
    for (; digits < 5; ++digits) value = value * 85 + 84;
    if (value > largestGroup) return 0;
    writeGroup(into, value, bytes);
    return static_cast<uint32_t>(bytes);
}

uint32_t CPdfAscii85Stream::decode(unsigned char* into, uint32_t room) {
    uint32_t done = 0;
    // A group gives four bytes at most, and the buffer always has room for some.
    while (room - done >= 4 && !finished) {
        const int c = nextInput();
        if (c < 0 || c == '~') {
            done += finishPartialGroup(into + done);
            finished = true;
            break;
        }
        if (isWhiteSpace(c)) continue;
        if (c == '<' && !started) {
            started = true;
            if (nextInput() != '~') finished = true;
            continue;
        }
        started = true;
        if (c == 'z' && digits == 0) {
            writeGroup(into + done, 0, 4);
            done += 4;
            continue;
        }
        if (c < '!' || c > 'u') {
            finished = true;
            break;
        }
        value = value * 85 + static_cast<uint64_t>(c - '!');
        if (++digits < 5) continue;
        if (value > largestGroup) {
            finished = true;
            break;
        }
        writeGroup(into + done, value, 4);
        done += 4;
        value = 0;
        digits = 0;
    }
    return done;
}
