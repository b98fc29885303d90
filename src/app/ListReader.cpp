#include "app/ListReader.h"

#include "platform/Platform.h"

void Utf8Check::add(unsigned char byte) {
    if (failed) return;
    if (pending > 0) {
        if (byte < lowest || byte > highest) failed = true;
        --pending;
        lowest = 0x80, highest = 0xBF;
        return;
    }
    if (byte < 0x80) return;
    // The second byte's range excludes the overlong forms, the surrogates and what lies past U+10FFFF.
    if (byte >= 0xC2 && byte <= 0xDF) pending = 1;
    else if (byte >= 0xE0 && byte <= 0xEF) pending = 2;
    else if (byte >= 0xF0 && byte <= 0xF4) pending = 3;
    else failed = true;
    if (byte == 0xE0) lowest = 0xA0;
    if (byte == 0xED) highest = 0x9F;
    if (byte == 0xF0) lowest = 0x90;
    if (byte == 0xF4) highest = 0x8F;
}

void appendUtf8(std::string& text, char32_t codePoint) {
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
    const auto put = [&text](char32_t bits) { text.push_back(static_cast<char>(bits)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | codePoint >> 6);
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | codePoint >> 12);
        put(0x80 | (codePoint >> 6 & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | codePoint >> 18);
        put(0x80 | (codePoint >> 12 & 0x3F));
        put(0x80 | (codePoint >> 6 & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

ListReader::ListReader(FILE* list) : list(list) {
    textEncoding = detectEncoding();
    restart();
}

// A mark is taken only whole; a list without one is read through once to see
// whether all of it is UTF-8 (lists are small, and one line cannot tell).
ListEncoding ListReader::detectEncoding() {
    std::rewind(list);
    const int first = std::fgetc(list), second = std::fgetc(list), third = std::fgetc(list);
    if (first == 0xEF && second == 0xBB && third == 0xBF) {
        textStart = 3;
        return ListEncoding::Utf8;
    }
    textStart = 2;
    if (first == 0xFF && second == 0xFE) return ListEncoding::Utf16LittleEndian;
    if (first == 0xFE && second == 0xFF) return ListEncoding::Utf16BigEndian;
    textStart = 0;
    std::rewind(list);
    Utf8Check check;
    for (int c = std::fgetc(list); c != EOF && !check.failedAlready(); c = std::fgetc(list))
        check.add(static_cast<unsigned char>(c));
    return check.valid() ? ListEncoding::Utf8 : ListEncoding::Local;
}

void ListReader::restart() {
    (void)platform::seekFile(list, textStart, SEEK_SET);
    heldBack = end - 1;
}

// A byte as it is for UTF-8 and the local encoding: their line ends are the ASCII
// bytes, which no multi-byte character of either holds.
int32_t ListReader::nextCharacter() {
    if (heldBack >= end) {
        const int32_t held = heldBack;
        heldBack = end - 1;
        return held;
    }
    if (textEncoding == ListEncoding::Utf16LittleEndian || textEncoding == ListEncoding::Utf16BigEndian)
        return nextUtf16Character();
    const int c = std::fgetc(list);
    return c == EOF ? end : c;
}

// A lone byte at the end of the list is no character.
int32_t ListReader::nextUnit() {
    const int first = std::fgetc(list);
    const int second = first == EOF ? EOF : std::fgetc(list);
    if (second == EOF) return end;
    return textEncoding == ListEncoding::Utf16LittleEndian ? second << 8 | first : first << 8 | second;
}

// A surrogate without its partner becomes U+FFFD.
int32_t ListReader::nextUtf16Character() {
    const int32_t unit = nextUnit();
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit >= 0xDC00) return 0xFFFD;
    const int32_t low = nextUnit();
    if (low >= 0xDC00 && low <= 0xDFFF) return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    heldBack = low;
    return 0xFFFD;
}

void ListReader::appendCharacter(std::string& line, int32_t character) const {
    if (textEncoding == ListEncoding::Utf16LittleEndian || textEncoding == ListEncoding::Utf16BigEndian)
        appendUtf8(line, static_cast<char32_t>(character));
    else line.push_back(static_cast<char>(character));
}

bool ListReader::next(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    int32_t c = nextCharacter();
    if (c == end) return false;
    for (; c != end && c != '\n' && c != '\r'; c = nextCharacter()) {
        // The rest of a line too long to be a path is no name of its own.
        if (line.size() >= platform::longestPath()) tooLong = true;
        if (!tooLong) appendCharacter(line, c);
    }
    if (c == '\r') {
        const int32_t following = nextCharacter();
        if (following != '\n') heldBack = following;
    }
    if (textEncoding == ListEncoding::Local) line = platform::localTextToUtf8(line);
    return true;
}
