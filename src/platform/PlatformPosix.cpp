#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace platform {

void makeDirectory(const char* path) { (void)::mkdir(path, 0777); }

bool removeFile(const char* path) { return std::remove(path) == 0; }

bool isRegularFile(FILE* file) {
    struct stat status;
    return ::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode);
}

size_t readAt(FILE* file, uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(::fileno(file), static_cast<char*>(buffer) + done, count - done,
                                    static_cast<off_t>(offset + done));
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

uint64_t copyInSystem(FILE* from, uint64_t offset, FILE* to, uint64_t count) {
    uint64_t copied = 0;
#ifdef __linux__
    off_t readFrom = static_cast<off_t>(offset);
    while (copied < count) {
        const ssize_t done =
            ::copy_file_range(::fileno(from), &readFrom, ::fileno(to), nullptr, static_cast<size_t>(count - copied), 0);
        if (done <= 0) break;
        copied += static_cast<uint64_t>(done);
    }
    // The stream takes up where the system left its file.
    (void)std::fseek(to, 0, SEEK_END);
#else
    (void)from, (void)offset, (void)to, (void)count;
#endif
    return copied;
}

bool isSameFile(const char* first, const char* second) {
    struct stat a, b;
    if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string resolvePath(const char* path) {
    char* resolved = ::realpath(path, nullptr);
    if (!resolved) return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

FILE* createTemporaryBeside(const std::string& path, std::string& temporaryName) {
    std::string pattern = path + ".folioturn-XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) return nullptr;
    FILE* file = ::fdopen(descriptor, "wb");
    if (!file) {
        ::close(descriptor);
        ::unlink(pattern.c_str());
        return nullptr;
    }
    temporaryName = pattern;
    return file;
}

bool replaceFile(const std::string& temporaryName, const std::string& original) {
    struct stat status;
    if (::stat(original.c_str(), &status) == 0) (void)::chmod(temporaryName.c_str(), status.st_mode & 07777);
    return std::rename(temporaryName.c_str(), original.c_str()) == 0;
}

}  // namespace platform
