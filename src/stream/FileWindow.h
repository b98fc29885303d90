#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// A file read forward in large blocks, for scans that look at every byte: one
// read brings a block into memory, and the scan searches it where it lies. Bytes
// that are still wanted move to the front when the next block is read, so a
// forward scan reads each byte of the file once. A jump ahead reads from there.
class FileWindow {
public:
    FileWindow(FILE* file, uint64_t fileSize, size_t blockBytes);

    // The bytes from `position` on: at least `count` of them (fewer only where the
    // file ends), and more when the block holds more. Returns how many there are;
    // `bytes` points at `position`. Valid until the next call.
    size_t view(uint64_t position, size_t count, const uint8_t*& bytes);

    uint64_t fileSize() const { return size; }

private:
    void fill(uint64_t position, size_t count);

    FILE* file;
    uint64_t size;
    size_t blockBytes;
    std::vector<uint8_t> buffer;
    uint64_t bufferStart = 0;  // the file position of buffer[0]
    size_t held = 0;           // bytes of the buffer that hold file data
};
