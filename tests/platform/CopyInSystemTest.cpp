#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "TestByteFile.h"
#include "limits/Limits.h"
#include "platform/Platform.h"

#ifdef __linux__
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The two ends of a pipe as streams, closed when the test ends.
struct Pipe {
    FILE* reading = nullptr;
    FILE* writing = nullptr;
    Pipe() {
        int ends[2];
        if (::pipe(ends) != 0) throw std::runtime_error("no pipe");
        reading = ::fdopen(ends[0], "rb");
        writing = ::fdopen(ends[1], "wb");
    }
    ~Pipe() {
        std::fclose(reading);
        if (writing) std::fclose(writing);
    }
    std::string readAfterClose(size_t length) {
        std::fclose(writing);
        writing = nullptr;
        std::string bytes(length + 1, '\0');
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), reading));
        return bytes;
    }
};

std::string fileBytes(FILE* file, size_t atMost = 1 << 16) {
    std::string bytes(atMost, '\0');
    std::rewind(file);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    return bytes;
}

const std::string input = "0123456789abcdefghijklmnopqrstuvwxyz";

}  // namespace

// File to file, from an offset, to the end of what the output holds; the output's
// stream goes on after the copied bytes.
TEST(CopyInSystem, CopiesARangeToTheEndOfAFile) {
    const TestByteFile from(input);
    const TestByteFile to("head:");
    EXPECT_EQ(10u, platform::copyInSystem(from.get(), 10, to.get(), 10));
    std::fputs(":tail", to.get());
    std::fflush(to.get());
    EXPECT_EQ("head:abcdefghij:tail", fileBytes(to.get()));
}

// A count past the end of the input copies what there is, and none from past it.
TEST(CopyInSystem, StopsAtTheEndOfTheInput) {
    const TestByteFile from(input);
    const TestByteFile to("");
    EXPECT_EQ(6u, platform::copyInSystem(from.get(), input.size() - 6, to.get(), 100));
    EXPECT_EQ(0u, platform::copyInSystem(from.get(), input.size() + 6, to.get(), 100));
    EXPECT_EQ(input.substr(input.size() - 6), fileBytes(to.get()));
}

// The file-to-file call refuses an output that is no regular file: the second way takes it.
TEST(CopyInSystem, ACopyToAPipeTakesTheSecondWay) {
    const TestByteFile from(input);
    Pipe pipe;
    EXPECT_EQ(5u, platform::copyInSystem(from.get(), 3, pipe.writing, 5));
    EXPECT_EQ("34567", pipe.readAfterClose(5));
}

// A pipe is no file to copy from: nothing is copied, and the caller copies all of it.
TEST(CopyInSystem, NothingIsCopiedFromAPipe) {
    Pipe pipe;
    std::fputs("bytes in a pipe", pipe.writing);
    std::fflush(pipe.writing);
    const TestByteFile to("");
    EXPECT_EQ(0u, platform::copyInSystem(pipe.reading, 0, to.get(), 5));
    EXPECT_EQ("", fileBytes(to.get()));
}

// Longer than the pipe holds, from an odd place to another place within a page,
// after bytes the output has: the copy moves pipe after pipe, in order.
TEST(CopyThroughPipe, CopiesALongRangeToTheEndOfAFileAtAnotherPlaceInAPage) {
    std::string longInput(3 * limits::splicePipeBytes + 5000, '\0');
    for (size_t i = 0; i < longInput.size(); ++i) longInput[i] = static_cast<char>(i * 7 + i / 4099);
    const TestByteFile from(longInput);
    const TestByteFile to("head:");
    const uint64_t length = longInput.size() - 1001;
    EXPECT_EQ(length, platform::copyThroughPipe(from.get(), 1000, to.get(), length));
    std::fputs(":tail", to.get());
    std::fflush(to.get());
    EXPECT_EQ("head:" + longInput.substr(1000, length) + ":tail", fileBytes(to.get(), longInput.size() + 10));
}

TEST(CopyThroughPipe, StopsAtTheEndOfTheInputAndTakesNothingFromAPipe) {
    const TestByteFile from(input);
    const TestByteFile to("");
    EXPECT_EQ(6u, platform::copyThroughPipe(from.get(), input.size() - 6, to.get(), 100));
    EXPECT_EQ(0u, platform::copyThroughPipe(from.get(), input.size() + 6, to.get(), 100));
    Pipe pipe;
    std::fputs("bytes in a pipe", pipe.writing);
    std::fflush(pipe.writing);
    EXPECT_EQ(0u, platform::copyThroughPipe(pipe.reading, 0, to.get(), 5));
    EXPECT_EQ(input.substr(input.size() - 6), fileBytes(to.get()));
}

// An output that takes none of the bytes already in the pipe: the next copy
// brings its own bytes only, none left over from the failed one.
TEST(CopyThroughPipe, BytesLeftByAFailedCopyNeverReachTheNext) {
    const TestByteFile from(input);
    FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(nullptr, readOnly);
    EXPECT_EQ(0u, platform::copyThroughPipe(from.get(), 0, readOnly, 10));
    std::fclose(readOnly);
    const TestByteFile to("");
    EXPECT_EQ(5u, platform::copyThroughPipe(from.get(), 20, to.get(), 5));
    EXPECT_EQ("klmno", fileBytes(to.get()));
}

// Room set aside past a file's end leaves its size as it is, and is given back
// whole: the disk then holds the file's written bytes alone. Where the file system
// sets no room aside (in memory, say) there is nothing to see.
TEST(ReserveFileSpace, RoomPastTheEndKeepsTheSizeAndGoesBack) {
    const TestByteFile file("");
    constexpr uint64_t room = 1 << 20;
    if (!platform::reserveFileSpace(file.get(), 0, room)) GTEST_SKIP() << "no room set aside on this file system";
    const auto allocated = [&](off_t& size) {
        struct stat status;
        if (::fstat(::fileno(file.get()), &status) != 0) throw std::runtime_error("no status");
        size = status.st_size;
        return static_cast<uint64_t>(status.st_blocks) * 512;
    };
    off_t size = 0;
    EXPECT_GE(allocated(size), room);
    EXPECT_EQ(0, size);
    std::fputs(input.c_str(), file.get());
    std::fflush(file.get());
    platform::releaseFileSpacePast(file.get(), input.size());
    EXPECT_LT(allocated(size), 64u * 1024);
    EXPECT_EQ(static_cast<off_t>(input.size()), size);
    EXPECT_EQ(input, fileBytes(file.get()));
}

#endif
