#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "TestByteFile.h"
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

std::string fileBytes(FILE* file) {
    std::string bytes(1 << 16, '\0');
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
