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

int seekFile(FILE* file, int64_t offset, int whence) { return ::fseeko(file, static_cast<off_t>(offset), whence); }

int64_t tellFile(FILE* file) { return static_cast<int64_t>(::ftello(file)); }

// POSIX writes bytes as they are.
void useBinaryStandardOutput() {}

}  // namespace platform
