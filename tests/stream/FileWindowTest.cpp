#include <gtest/gtest.h>

#include <string>

#include "TestByteFile.h"
#include "stream/FileWindow.h"

namespace {

// The bytes a view gives, at most `count` of them.
std::string viewed(FileWindow& window, uint64_t position, size_t count) {
    const uint8_t* bytes = nullptr;
    const size_t length = window.view(position, count, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), std::min(length, count));
}

}  // namespace

// Blocks of 8 bytes: views forward, across blocks, larger than a block, backwards,
// and at the end of the file give the file's own bytes.
TEST(FileWindow, GivesTheFilesBytesWhereverTheViewStarts) {
    std::string text;
    for (char c = 'a'; c <= 'z'; ++c) text += c;
    text += "0123456789";
    const TestByteFile file(text);
    FileWindow window(file.get(), text.size(), 8);
    const struct {
        uint64_t position;
        size_t count;
    } views[] = {{0, 4}, {3, 4}, {6, 5}, {7, 20}, {30, 6}, {2, 3}, {35, 8}, {0, 36}, {20, 1}};
    for (const auto& v : views) {
        const std::string expected = text.substr(size_t(v.position), v.count);
        EXPECT_EQ(expected, viewed(window, v.position, v.count)) << v.position << "+" << v.count;
    }
    const uint8_t* bytes = nullptr;
    EXPECT_EQ(0u, window.view(36, 1, bytes)) << "nothing at the end of the file";
    EXPECT_EQ(4u, window.view(32, 1, bytes)) << "a view holds all that its block holds";
}
