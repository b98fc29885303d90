#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

#include "TestByteFile.h"
#include "model/RetainPtr.h"

// Encoders for the stream filters that neither zlib nor Python's standard
// library writes, made from the PDF format's description rather than from the
// decoders, and a reader of any decoder over bytes in a file.

// Writes codes most significant bit first, as LZW data holds them.
class CodeWriter {
public:
    void put(uint32_t code, int width) {
        for (int bit = width - 1; bit >= 0; --bit) {
            pending = pending << 1 | ((code >> bit) & 1);
            if (++count == 8) {
                bytes.push_back(static_cast<char>(pending));
                pending = count = 0;
            }
        }
    }
    std::string finish() {
        if (count > 0) bytes.push_back(static_cast<char>(pending << (8 - count)));
        pending = count = 0;
        return bytes;
    }

private:
    std::string bytes;
    uint32_t pending = 0;
    int count = 0;
};

struct LzwOptions {
    bool earlyChange = true;
    bool clearWhenFull = true;   // otherwise the full table is used on, unchanged
    size_t clearAfterCodes = 0;  // a clear code after this many codes too (0: never)
};

// The textbook LZW encoder: a clear code first, the end code last, and codes one
// bit wider as soon as the decoder's table needs it (one code sooner with EarlyChange).
inline std::string lzwEncoded(const std::string& data, LzwOptions options = {}) {
    const uint32_t early = options.earlyChange ? 1 : 0;
    CodeWriter out;
    std::map<std::string, uint32_t> table;
    uint32_t nextCode = 258;
    size_t codesSinceClear = 0;
    auto width = [&] {
        // The decoder's table lags one entry behind the encoder's.
        const uint32_t coming = nextCode - 1 + early;
        return coming >= 2048 ? 12 : coming >= 1024 ? 11 : coming >= 512 ? 10 : 9;
    };
    auto clear = [&] {
        out.put(256, nextCode == 258 ? 9 : width());
        table.clear();
        nextCode = 258;
        codesSinceClear = 0;
    };
    auto codeOf = [&](const std::string& s) { return s.size() == 1 ? uint32_t{static_cast<uint8_t>(s[0])} : table[s]; };
    clear();
    std::string current;
    for (char c : data) {
        const std::string longer = current + c;
        if (longer.size() == 1 || table.count(longer)) {
            current = longer;
            continue;
        }
        out.put(codeOf(current), width());
        ++codesSinceClear;
        if (nextCode < 4096) table[longer] = nextCode++;
        if ((options.clearWhenFull && nextCode == 4096) ||
            (options.clearAfterCodes && codesSinceClear == options.clearAfterCodes))
            clear();
        current = std::string(1, c);
    }
    if (!current.empty()) out.put(codeOf(current), width());
    if (!current.empty() && nextCode < 4096) ++nextCode;  // the decoder adds the entry of this code too
    out.put(257, width());
    return out.finish();
}

// LZW data that decodes to ever longer runs of 'a', one code more each, until
// the table is full; then its longest string `repeats` times over, some 3,800 bytes
// from each 12-bit code.
inline std::string lzwBomb(size_t repeats) {
    CodeWriter out;
    uint32_t known = 258;  // the decoder's next code
    auto width = [&] {
        const uint32_t coming = known + 1;
        return coming >= 2048 ? 12 : coming >= 1024 ? 11 : coming >= 512 ? 10 : 9;
    };
    out.put(256, 9);
    out.put('a', 9);
    for (uint32_t code = 258; code < 4096; ++code, known = std::min(known + 1, 4096u)) out.put(code, width());
    for (size_t i = 0; i < repeats; ++i) out.put(4095, 12);
    out.put(257, 12);
    return out.finish();
}

// RunLength data: runs of three or more equal bytes repeat (128 at most), the
// rest are copied in pieces of 128 at most; the end code last.
inline std::string runLengthEncoded(const std::string& data) {
    std::string out;
    size_t i = 0;
    std::string literal;
    auto flush = [&] {
        for (size_t at = 0; at < literal.size(); at += 128) {
            const std::string piece = literal.substr(at, 128);
            out.push_back(static_cast<char>(piece.size() - 1));
            out += piece;
        }
        literal.clear();
    };
    while (i < data.size()) {
        size_t run = 1;
        while (i + run < data.size() && run < 128 && data[i + run] == data[i]) ++run;
        if (run >= 3) {
            flush();
            out.push_back(static_cast<char>(257 - run));
            out.push_back(data[i]);
        } else {
            literal.append(data, i, run);
        }
        i += run;
    }
    flush();
    out.push_back(static_cast<char>(128));
    return out;
}

// ASCII85 text: five digits for each four bytes, 'z' for four zeros, a final
// partial group of n bytes as n + 1 digits, and "~>".
inline std::string ascii85Encoded(const std::string& data) {
    std::string out;
    for (size_t at = 0; at < data.size(); at += 4) {
        const size_t count = std::min<size_t>(4, data.size() - at);
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value = value << 8 | (i < count ? static_cast<uint8_t>(data[at + i]) : 0u);
        if (count == 4 && value == 0) {
            out.push_back('z');
            continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i, value /= 85) digits[i] = static_cast<char>('!' + value % 85);
        out.append(digits, count + 1);
    }
    return out + "~>";
}

inline std::string asciiHexEncoded(const std::string& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : data) {
        out.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        out.push_back(digits[static_cast<uint8_t>(c) & 15]);
    }
    return out + ">";
}

// Everything a decoder of type Decoder, made with `arguments` after its input,
// delivers from `encoded`.
template <class Decoder, class... Arguments>
std::string decodedBy(const std::string& encoded, Arguments... arguments) {
    const TestByteFile file(encoded);
    RetainPtr<CPdfStream> decoder =
        makeRetained<Decoder>(file.openStream(0, static_cast<uint32_t>(encoded.size())), arguments...);
    return readAll(*decoder.get());
}
