// List files in every encoding they come in, read as UTF-8 lines.
#include "app/ListReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ReadList {
    ListEncoding encoding;
    std::vector<std::string> lines;
};

ReadList readList(const std::string& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    ListReader reader(file.get());
    ReadList read{reader.encoding(), {}};
    std::string line;
    bool tooLong = false;
    while (reader.next(line, tooLong)) read.lines.push_back(line);
    // A second pass, as the progress count makes, reads the same lines.
    reader.restart();
    for (const std::string& first : read.lines) {
        EXPECT_TRUE(reader.next(line, tooLong));
        EXPECT_EQ(first, line);
    }
    EXPECT_FALSE(reader.next(line, tooLong));
    return read;
}

// UTF-16 of `text` (ASCII and the few characters the tests use), with its mark.
std::string utf16(const std::u16string& text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

// "Счёт-日本語-😀.pdf" in UTF-8.
const std::string unicodeName =
    "\xD0\xA1\xD1\x87\xD1\x91\xD1\x82-\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E-\xF0\x9F\x98\x80.pdf";
const std::u16string unicodeName16 = u"\u0421\u0447\u0451\u0442-\u65E5\u672C\u8A9E-\U0001F600.pdf";

TEST(ListReader, Utf16InBothByteOrdersAndEveryLineEnd) {
    for (const bool little : {true, false}) {
        for (const std::u16string end : {u"\n", u"\r\n", u"\r"}) {
            const ReadList read = readList(utf16(u"a.pdf" + end + unicodeName16 + end + u"sub/b.pdf", little));
            EXPECT_EQ(little ? ListEncoding::Utf16LittleEndian : ListEncoding::Utf16BigEndian, read.encoding);
            EXPECT_EQ((std::vector<std::string>{"a.pdf", unicodeName, "sub/b.pdf"}), read.lines);
        }
    }
}

// What PowerShell's "dir -Name *.pdf > list.txt" writes: UTF-16 LE with a mark, CR LF after every line.
TEST(ListReader, PowerShellList) {
    const ReadList read = readList(utf16(u"a.pdf\r\n" + unicodeName16 + u"\r\n", true));
    EXPECT_EQ((std::vector<std::string>{"a.pdf", unicodeName}), read.lines);
}

TEST(ListReader, Utf8WithAndWithoutMark) {
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        const ReadList read = readList(mark + unicodeName + "\r\nb.pdf\n");
        EXPECT_EQ(ListEncoding::Utf8, read.encoding);
        EXPECT_EQ((std::vector<std::string>{unicodeName, "b.pdf"}), read.lines);
    }
}

// A mark cut short is text: the list is read from its first byte.
TEST(ListReader, PartialMarksAreText) {
    EXPECT_EQ((std::vector<std::string>{"\xEF\xBB"
                                        "a.pdf"}),
              readList("\xEF\xBB"
                       "a.pdf\n")
                  .lines);
    EXPECT_EQ((std::vector<std::string>{"\xFF"
                                        "a.pdf"}),
              readList("\xFF"
                       "a.pdf\n")
                  .lines);
    EXPECT_EQ(ListEncoding::Local, readList("\xFF"
                                            "a.pdf\n")
                                       .encoding);
}

// One byte that no UTF-8 holds anywhere in the list makes all of it the local
// encoding, which on POSIX keeps every byte as it is.
TEST(ListReader, NotUtf8IsTheLocalEncoding) {
    const ReadList read = readList("caf\xE9.pdf\n" + unicodeName + "\n");
    EXPECT_EQ(ListEncoding::Local, read.encoding);
#ifndef _WIN32
    EXPECT_EQ((std::vector<std::string>{"caf\xE9.pdf", unicodeName}), read.lines);
#endif
}

TEST(ListReader, BrokenUtf16BecomesReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    // A high surrogate before a plain character, a lone low surrogate, and an odd byte at the end.
    const std::string bytes = utf16(std::u16string(u"a") + char16_t(0xD83D) + u"b\n" + char16_t(0xDE00) + u"c\n", true);
    EXPECT_EQ((std::vector<std::string>{"a" + replacement + "b", replacement + "c"}), readList(bytes + "x").lines);
}

TEST(Utf8Check, StrictForms) {
    const auto valid = [](const std::string& text) {
        Utf8Check check;
        for (char c : text) check.add(static_cast<unsigned char>(c));
        return check.valid();
    };
    EXPECT_TRUE(valid(unicodeName));
    EXPECT_TRUE(valid("\xF4\x8F\xBF\xBF"));   // U+10FFFF
    EXPECT_FALSE(valid("\xC0\xAF"));          // an overlong "/"
    EXPECT_FALSE(valid("\xE0\x80\xAF"));      // the same in three bytes
    EXPECT_FALSE(valid("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(valid("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(valid("\xE6\x97"));          // cut short
    EXPECT_FALSE(valid("\x80"));              // a continuation byte alone
}

TEST(Utf8Encoding, EveryLength) {
    std::string text;
    for (char32_t c : {U'a', U'\u0451', U'\u65E5', U'\U0001F600', char32_t(0xD800), char32_t(0x110000)})
        appendUtf8(text, c);
    EXPECT_EQ("a\xD1\x91\xE6\x97\xA5\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD", text);
}

}  // namespace
