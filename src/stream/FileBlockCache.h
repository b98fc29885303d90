#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "limits/Limits.h"

// The last few blocks of the input that its file streams read, shared by every
// file stream of one document. A page tree walk fetches thousands of small
// objects that lie a few hundred bytes apart: each fetch then copies from a block
// in memory, where it would cost a seek and often a read of the system.
// The input does not change while a job reads it, so a block never goes stale.
class FileBlockCache {
public:
    explicit FileBlockCache(FILE* file) : file(file) {}

    // Copies up to `count` bytes at `offset` into `into`, as many as the file holds
    // there, but no further than the end of the block that holds `offset`. 0 at
    // the end of the file (or on a read error).
    uint32_t read(uint64_t offset, uint8_t* into, uint32_t count);
    // Reads up to `count` bytes at `offset`, fewer only at the end of the file: a
    // read of up to a block through the cache, a larger one straight from the file.
    size_t readFully(uint64_t offset, uint8_t* into, size_t count);

    // How many blocks have been read from the file so far.
    uint64_t blocksRead() const { return reads; }

    static constexpr uint32_t blockSize = limits::cacheBlockBytes;
    static constexpr uint32_t blockCount = limits::cacheBlockCount;

private:
    struct Block {
        uint64_t index = UINT64_MAX;  // the block's number in the file; none yet
        uint32_t valid = 0;           // bytes the file holds in it
        uint64_t lastUse = 0;         // when it was asked for last, in requests
        std::unique_ptr<uint8_t[]> bytes;
    };
    Block& load(uint64_t index);

    FILE* file;
    Block blocks[blockCount];  // any block in any slot; the one used longest ago makes room
    uint64_t uses = 0;
    uint64_t reads = 0;
};
