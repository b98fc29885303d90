#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace platform {

void makeDirectory(const char* path) { (void)::mkdir(path, 0777); }

bool makeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        (void)::mkdir(path.substr(0, slash).c_str(), 0777);
    (void)::mkdir(path.c_str(), 0777);
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool removeFile(const char* path) { return std::remove(path) == 0; }

std::string lastError() { return std::strerror(errno); }

FILE* openInputFile(const char* path, std::string& why) {
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        why = lastError();
        return nullptr;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = S_ISDIR(status.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
        ::close(descriptor);
        return nullptr;
    }
    (void)::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE* file = ::fdopen(descriptor, "rb");
    if (!file) {
        why = lastError();
        ::close(descriptor);
    }
    return file;
}

bool stampOf(FILE* file, FileStamp& stamp) {
    struct stat status;
    if (::fstat(::fileno(file), &status) != 0) return false;
    stamp.size = static_cast<uint64_t>(status.st_size);
    stamp.modified = int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    return true;
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

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// Follows a chain of links that may end nowhere: the result names the file a
// write through `path` would create.
std::string followLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0) return path;
        const std::string next(target, static_cast<size_t>(length));
        path = next[0] == '/' ? next : folderOf(path) + "/" + next;
    }
    return path;
}

}  // namespace

Destination inspectDestination(const char* outputName) {
    Destination destination;
    destination.path = followLinks(outputName);
    struct stat status;
    if (::stat(destination.path.c_str(), &status) != 0) return destination;
    if (S_ISREG(status.st_mode)) destination.kind = DestinationKind::RegularFile;
    else if (S_ISCHR(status.st_mode)) destination.kind = DestinationKind::Device;
    else destination.kind = DestinationKind::Other;
    return destination;
}

namespace {

// Holds back the interruptions that remove the pending temporary file while it is
// being created and registered, so that none can fall between the two.
class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
        ::sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~InterruptionsHeldBack() { ::sigprocmask(SIG_SETMASK, &previous, nullptr); }

private:
    sigset_t previous;
};

}  // namespace

FILE* createTemporaryIn(const std::string& folder, std::string& temporaryName, std::string& why) {
    std::string pattern = folder + "/.folioturn-XXXXXX";
    const InterruptionsHeldBack heldBack;
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) {
        why = lastError();
        return nullptr;
    }
    FILE* file = ::fdopen(descriptor, "wb");
    if (!file) {
        why = lastError();
        ::close(descriptor);
        ::unlink(pattern.c_str());
        return nullptr;
    }
    temporaryName = pattern;
    setPendingTemporary(temporaryName.c_str());
    return file;
}

namespace {

mode_t creationMask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

bool replaceWithTemporary(const std::string& temporaryName, const std::string& destination, std::string& why) {
    struct stat status;
    if (::stat(destination.c_str(), &status) == 0) {
        (void)::chmod(temporaryName.c_str(), status.st_mode & 07777);
        // Owner and group where the process may set them, else the group alone, else neither.
        if (::chown(temporaryName.c_str(), status.st_uid, status.st_gid) != 0 &&
            ::chown(temporaryName.c_str(), static_cast<uid_t>(-1), status.st_gid) != 0) {
        }
    } else {
        (void)::chmod(temporaryName.c_str(), 0666 & ~creationMask());
    }
    if (std::rename(temporaryName.c_str(), destination.c_str()) == 0) return true;
    why = lastError();
    return false;
}

namespace {

char pendingTemporary[PATH_MAX + 1];
volatile sig_atomic_t hasPendingTemporary = 0;

void removePendingAndRaise(int signal) {
    if (hasPendingTemporary) ::unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void installInterruptCleanup() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        // A signal that the caller ignores (nohup, a background shell) stays ignored.
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndRaise;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

void setPendingTemporary(const char* path) {
    hasPendingTemporary = 0;
    if (!path || std::strlen(path) > PATH_MAX) return;
    std::strcpy(pendingTemporary, path);
    hasPendingTemporary = 1;
}

bool isAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

bool hasParentComponent(const std::string& path) {
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('/', start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

size_t longestPath() { return PATH_MAX; }

int seekFile(FILE* file, int64_t offset, int whence) { return ::fseeko(file, static_cast<off_t>(offset), whence); }

int64_t tellFile(FILE* file) { return static_cast<int64_t>(::ftello(file)); }

// POSIX writes bytes as they are.
void useBinaryStandardOutput() {}

bool isTerminal(FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace platform
