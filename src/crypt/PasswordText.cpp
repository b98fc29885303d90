#include "crypt/PasswordText.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace passwords {

namespace {

// The code points of UTF-8 text; nothing when it is not well formed.
std::optional<std::vector<char32_t>> codePointsOf(std::string_view text) {
    std::vector<char32_t> points;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int extra = lead < 0x80                   ? 0
                          : lead >= 0xC2 && lead < 0xE0 ? 1
                          : lead >= 0xE0 && lead < 0xF0 ? 2
                          : lead >= 0xF0 && lead < 0xF5 ? 3
                                                        : -1;
        if (extra < 0 || text.size() - i <= static_cast<size_t>(extra)) return std::nullopt;
        char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            point = point << 6 | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (point < smallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) return std::nullopt;
        points.push_back(point);
        i += static_cast<size_t>(extra) + 1;
    }
    return points;
}

void appendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | point >> 6));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | point >> 12));
        out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | point >> 18));
        out.push_back(static_cast<char>(0x80 | (point >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

// PDFDocEncoding's codes 0x18 to 0x1F and 0x80 to 0xA0, where it differs from
// Latin-1 (0x9F has no character, written 0 here, which no search reaches: the
// code points below 0x18 are their own codes); 0x7F and 0xAD have none either.
constexpr char32_t lowCodes[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char32_t highCodes[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                    0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                    0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                    0x0142, 0x0153, 0x0161, 0x017E, 0,      0x20AC};

std::optional<char> pdfDocCode(char32_t point) {
    if (point < 0x18 || (point >= 0x20 && point < 0x7F)) return static_cast<char>(point);
    if (point > 0xA0 && point <= 0xFF && point != 0xAD) return static_cast<char>(point);
    if (const auto* low = std::find(std::begin(lowCodes), std::end(lowCodes), point); low != std::end(lowCodes))
        return static_cast<char>(0x18 + (low - lowCodes));
    if (const auto* high = std::find(std::begin(highCodes), std::end(highCodes), point); high != std::end(highCodes))
        return static_cast<char>(0x80 + (high - highCodes));
    return std::nullopt;
}

// RFC 3454, table B.1.
bool mapsToNothing(char32_t point) {
    return point == 0x00AD || point == 0x034F || point == 0x1806 || (point >= 0x180B && point <= 0x180D) ||
           (point >= 0x200B && point <= 0x200D) || point == 0x2060 || (point >= 0xFE00 && point <= 0xFE0F) ||
           point == 0xFEFF;
}

// RFC 3454, table C.1.2.
bool isNonAsciiSpace(char32_t point) {
    return point == 0x00A0 || point == 0x1680 || (point >= 0x2000 && point <= 0x200B) || point == 0x202F ||
           point == 0x205F || point == 0x3000;
}

}  // namespace

std::optional<std::string> pdfDocEncoded(std::string_view utf8) {
    const auto points = codePointsOf(utf8);
    if (!points || std::all_of(points->begin(), points->end(), [](char32_t p) { return p < 0x80; }))
        return std::nullopt;
    std::string encoded;
    for (const char32_t point : *points) {
        const std::optional<char> code = pdfDocCode(point);
        if (!code) return std::nullopt;
        encoded.push_back(*code);
    }
    return encoded;
}

std::string saslPrepared(std::string_view utf8) {
    const auto points = codePointsOf(utf8);
    if (!points) return std::string(utf8);
    std::string prepared;
    for (const char32_t point : *points) {
        if (mapsToNothing(point)) continue;
        appendUtf8(prepared, isNonAsciiSpace(point) ? U' ' : point);
    }
    return prepared;
}

std::string aes256PasswordBytes(std::string_view password) { return std::string(password.substr(0, 127)); }

}  // namespace passwords
