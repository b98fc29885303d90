#include "stream/FileBlockCache.h"

#include <algorithm>
#include <cstring>

#include "platform/Platform.h"

// The block asked for, or else the one used longest ago, read anew: a walk reads
// the page tree's nodes and its pages, two runs through the file side by side, and
// each keeps its block.
FileBlockCache::Block& FileBlockCache::load(uint64_t index) {
    Block* oldest = &blocks[0];
    for (Block& candidate : blocks) {
        if (candidate.index == index) {
            candidate.lastUse = ++uses;
            return candidate;
        }
        if (candidate.lastUse < oldest->lastUse) oldest = &candidate;
    }
    Block& block = *oldest;
    block.lastUse = ++uses;
    if (!block.bytes) block.bytes = std::make_unique<uint8_t[]>(blockSize);
    ++reads;
    block.valid = static_cast<uint32_t>(platform::readAt(file, index * blockSize, block.bytes.get(), blockSize));
    // Nothing read (past the end, or a failed read) is not kept: a later request
    // reads again.
    block.index = block.valid > 0 ? index : UINT64_MAX;
    return block;
}

size_t FileBlockCache::readFully(uint64_t offset, uint8_t* into, size_t count) {
    if (count > blockSize) return platform::readAt(file, offset, into, count);
    size_t done = 0;
    while (done < count) {
        const uint32_t got = read(offset + done, into + done, static_cast<uint32_t>(count - done));
        if (got == 0) break;
        done += got;
    }
    return done;
}

uint32_t FileBlockCache::read(uint64_t offset, uint8_t* into, uint32_t count) {
    const Block& block = load(offset / blockSize);
    const uint32_t within = static_cast<uint32_t>(offset % blockSize);
    if (within >= block.valid) return 0;
    const uint32_t taken = std::min(count, block.valid - within);
    std::memcpy(into, block.bytes.get() + within, taken);
    return taken;
}
