#include <gtest/gtest.h>

#include "TestByteFile.h"
#include "stream/FileBlockCache.h"

namespace {

constexpr uint32_t blockSize = FileBlockCache::blockSize;

std::string numbered(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + i / 251) % 256);
    return bytes;
}

std::string readAt(FileBlockCache& cache, uint64_t offset, uint32_t count) {
    std::string bytes(count, '\0');
    bytes.resize(cache.read(offset, reinterpret_cast<uint8_t*>(bytes.data()), count));
    return bytes;
}

}  // namespace

// Blocks replace each other as the cache fills, and each read gives the file's own
// bytes, up to the end of its block and of the file.
TEST(FileBlockCache, GivesTheFilesBytesWhicheverBlocksItHolds) {
    const uint64_t size = uint64_t{blockSize} * (FileBlockCache::blockCount + 2) + 100;
    const std::string content = numbered(size);
    const TestByteFile file(content);
    FileBlockCache cache(file.get());
    const uint64_t sameSlot = uint64_t{blockSize} * FileBlockCache::blockCount;
    for (const uint64_t offset : {uint64_t{10}, sameSlot + 10, uint64_t{20}, sameSlot + 20, uint64_t{blockSize} + 5})
        EXPECT_EQ(content.substr(offset, 300), readAt(cache, offset, 300)) << offset;
    EXPECT_EQ(content.substr(blockSize - 50, 50), readAt(cache, blockSize - 50, 300));  // stops at the block's end
    EXPECT_EQ(content.substr(size - 40), readAt(cache, size - 40, 300));                // and at the file's
    EXPECT_EQ("", readAt(cache, size, 10));
    EXPECT_EQ("", readAt(cache, size + 5 * uint64_t{blockSize}, 10));
}

// A read across blocks, or larger than a block, gives every byte up to the file's end.
TEST(FileBlockCache, FullReadsCrossBlocksAndStopOnlyAtTheEnd) {
    const uint64_t size = uint64_t{blockSize} * 3 + 77;
    const std::string content = numbered(size);
    const TestByteFile file(content);
    FileBlockCache cache(file.get());
    for (const size_t count : {size_t{100}, size_t{blockSize}, size_t{blockSize} + 1, size_t{3} * blockSize}) {
        for (const uint64_t offset : {uint64_t{0}, uint64_t{blockSize} - 30, size - 50}) {
            std::string bytes(count, '\0');
            bytes.resize(cache.readFully(offset, reinterpret_cast<uint8_t*>(bytes.data()), count));
            EXPECT_EQ(content.substr(offset, count), bytes) << offset << " " << count;
        }
    }
}

// Two runs through the file side by side (a page tree's nodes and its pages) keep
// their blocks: each block is read once, whichever blocks the runs reach.
TEST(FileBlockCache, TwoRunsSideBySideReadEachBlockOnce) {
    constexpr uint64_t blocks = 4 * FileBlockCache::blockCount;
    const std::string content = numbered(blocks * blockSize);
    const TestByteFile file(content);
    FileBlockCache cache(file.get());
    const uint64_t nodes = 0, pages = blocks / 2;
    for (uint64_t step = 0; step < blocks / 2; ++step) {
        for (const uint64_t within : {uint64_t{10}, uint64_t{blockSize} / 2}) {
            for (const uint64_t block : {nodes + step, pages + step}) {
                const uint64_t offset = block * blockSize + within;
                ASSERT_EQ(content.substr(offset, 40), readAt(cache, offset, 40)) << offset;
            }
        }
    }
    EXPECT_EQ(blocks, cache.blocksRead());
    // The block used longest ago makes room, not the one just read.
    readAt(cache, 0, 10);
    readAt(cache, (blocks - 1) * blockSize, 10);
    EXPECT_EQ(blocks + 1, cache.blocksRead());
}
