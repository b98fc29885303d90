#include "crypt/ObjectStrings.h"

#include "crypt/StandardSecurity.h"
#include "parse/CharacterClass.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendHex(std::string& out, std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    out.push_back('<');
    for (const char c : bytes) {
        out.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        out.push_back(digits[static_cast<uint8_t>(c) & 15]);
    }
    out.push_back('>');
}

// One escape after a backslash at text[i]; gives the byte, or -1 for a line
// continuation; `i` ends on the escape's last character.
int decodeEscape(std::string_view text, size_t& i) {
    const char c = text[i];
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case '\n':
        return -1;
    case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        return -1;
    default:
        break;
    }
    if (c < '0' || c > '7') return static_cast<uint8_t>(c);
    int value = c - '0';
    for (int digits = 1; digits < 3 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7'; ++digits)
        value = value * 8 + (text[++i] - '0');
    return value & 0xFF;
}

}  // namespace

std::string decodeLiteralString(std::string_view text, size_t start, size_t& end) {
    std::string bytes;
    int depth = 1;
    size_t i = start + 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (++i >= text.size()) break;
            const int decoded = decodeEscape(text, i);
            if (decoded >= 0) bytes.push_back(static_cast<char>(decoded));
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) {
            ++i;
            break;
        }
        if (c == '\r') {  // an end of line in a string reads as one line feed, whatever its bytes
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            bytes.push_back('\n');
            continue;
        }
        bytes.push_back(c);
    }
    end = i;
    return bytes;
}

std::string decodeHexString(std::string_view text, size_t start, size_t& end) {
    std::string bytes;
    int high = -1;
    size_t i = start + 1;
    for (; i < text.size() && text[i] != '>'; ++i) {
        if (pdfchar::isWhitespace(static_cast<uint8_t>(text[i]))) continue;
        const int value = hexDigit(text[i]) < 0 ? 0 : hexDigit(text[i]);
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) bytes.push_back(static_cast<char>(high * 16));
    end = i < text.size() ? i + 1 : i;
    return bytes;
}

// Comments are copied whole, so that a parenthesis in one starts no string.
std::string encryptObjectStrings(std::string_view text, const StandardSecurity& security, ObjectId object) {
    if (!security.encryptsStrings()) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        size_t end = i + 1;
        if (c == '(') {
            appendHex(out, security.encryptString(decodeLiteralString(text, i, end), object));
        } else if (c == '<' && !(i + 1 < text.size() && text[i + 1] == '<')) {
            appendHex(out, security.encryptString(decodeHexString(text, i, end), object));
        } else if (c == '<' || c == '>') {
            end = i + 1 < text.size() && text[i + 1] == c ? i + 2 : i + 1;
            out.append(text.substr(i, end - i));
        } else if (c == '%') {
            while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
            out.append(text.substr(i, end - i));
        } else {
            out.push_back(c);
        }
        i = end;
    }
    return out;
}
