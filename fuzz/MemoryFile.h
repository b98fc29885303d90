#pragma once
// Bytes as an open file that lives in memory: the readers of whole files take a
// FILE* and read it by its descriptor in positioned blocks, which a file made with
// memfd_create serves like any other, without touching the disk.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzzing {

class MemoryFile {
public:
    explicit MemoryFile(std::string_view bytes) {
        const int descriptor = ::memfd_create("folioturn-fuzz", 0);
        if (descriptor < 0) std::abort();
        for (size_t written = 0; written < bytes.size();) {
            const ssize_t done = ::write(descriptor, bytes.data() + written, bytes.size() - written);
            if (done <= 0) std::abort();
            written += static_cast<size_t>(done);
        }
        file = ::fdopen(descriptor, "rb");
        if (!file || std::fseek(file, 0, SEEK_SET) != 0) std::abort();
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { std::fclose(file); }

    FILE* handle() const { return file; }

private:
    FILE* file;
};

}  // namespace fuzzing
