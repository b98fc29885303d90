#include <fcntl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/sendfile.h>
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "limits/Limits.h"
#include "limits/Messages.h"
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

bool isFolder(const char* path) {
    struct stat status;
    return ::stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool exists(const char* path) {
    struct stat status;
    return ::stat(path, &status) == 0;
}

FILE* openFile(const char* path, const char* mode) { return std::fopen(path, mode); }

std::string lastError() { return std::strerror(errno); }

FILE* openInputFile(const char* path, std::string& why) {
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        why = lastError();
        return nullptr;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = S_ISDIR(status.st_mode) ? message::isFolder : message::notRegularFile;
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
        const ssize_t got =
            ::pread(::fileno(file), static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

#ifdef __linux__
namespace {

// The system cannot copy between these two files with this call (another file
// system, a kind of file it does not take, an older kernel): another way may.
bool refusedHere(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF ||
           error == EPERM;
}

bool isRegularFile(int descriptor) {
    struct stat status;
    return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

// One call of the kernel's copy, to the output's own position, which it moves on:
// the count of bytes copied, 0 at the end of the input, -1 on an error.
ssize_t copyOnce(int from, off_t& readFrom, int to, size_t count, bool& fileToFile) {
    if (fileToFile) {
        const ssize_t done = ::copy_file_range(from, &readFrom, to, nullptr, count, 0);
        if (done >= 0 || !refusedHere(errno)) return done;
        fileToFile = false;  // sendfile takes over: it copies between file systems too
    }
    return ::sendfile(to, from, &readFrom, count);
}

}  // namespace
#endif

uint64_t copyInSystem(FILE* from, uint64_t offset, FILE* to, uint64_t count) {
    uint64_t copied = 0;
#ifdef __linux__
    // Standard input comes spooled to a file; anything else is no file to copy from.
    if (!isRegularFile(::fileno(from))) return 0;
    off_t readFrom = static_cast<off_t>(offset);
    bool fileToFile = true;
    // A call may copy less than asked (a signal, the kernel's own limit per call):
    // go on until the count, the end of the input or an error.
    while (copied < count) {
        const ssize_t done =
            copyOnce(::fileno(from), readFrom, ::fileno(to), static_cast<size_t>(count - copied), fileToFile);
        if (done <= 0) break;
        copied += static_cast<uint64_t>(done);
    }
    // The stream takes up where the system left its file.
    if (copied != 0) (void)std::fseek(to, 0, SEEK_END);
#else
    (void)from, (void)offset, (void)to, (void)count;
#endif
    return copied;
}

#ifdef __linux__
namespace {

// The pipe that spliced copies pass through, made at the first and kept for the
// process's next: it is empty between copies. A copy that fails with bytes in it
// closes it, and the next copy makes a new one.
struct SplicePipe {
    int readEnd = -1;
    int writeEnd = -1;
    size_t capacity = 0;
};
SplicePipe splicePipe;

void closeSplicePipe() {
    if (splicePipe.readEnd < 0) return;
    ::close(splicePipe.readEnd);
    ::close(splicePipe.writeEnd);
    splicePipe = SplicePipe{};
}

bool openSplicePipe() {
    if (splicePipe.readEnd >= 0) return true;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    // Where the system refuses the size (a user's limit), the pipe keeps the one it has.
    (void)::fcntl(ends[1], F_SETPIPE_SZ, static_cast<int>(limits::splicePipeBytes));
    const int capacity = ::fcntl(ends[1], F_GETPIPE_SZ);
    splicePipe = {ends[0], ends[1], capacity > 0 ? static_cast<size_t>(capacity) : 0};
    if (splicePipe.capacity != 0) return true;
    closeSplicePipe();
    return false;
}

// Moves the `held` bytes in the pipe to the output's position; false where the
// output takes fewer (an error), with `copied` counting those it took.
bool emptyPipeInto(int to, size_t held, uint64_t& copied) {
    while (held != 0) {
        const ssize_t moved = ::splice(splicePipe.readEnd, nullptr, to, nullptr, held, SPLICE_F_MOVE);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return false;
        held -= static_cast<size_t>(moved);
        copied += static_cast<uint64_t>(moved);
    }
    return true;
}

}  // namespace
#endif

uint64_t copyThroughPipe(FILE* from, uint64_t offset, FILE* to, uint64_t count) {
    uint64_t copied = 0;
#ifdef __linux__
    if (!isRegularFile(::fileno(from)) || !openSplicePipe()) return 0;
    loff_t readFrom = static_cast<loff_t>(offset);
    // Never more than the pipe holds, so that filling it cannot block.
    while (copied < count) {
        const size_t asked = static_cast<size_t>(std::min<uint64_t>(count - copied, splicePipe.capacity));
        const ssize_t held = ::splice(::fileno(from), &readFrom, splicePipe.writeEnd, nullptr, asked, SPLICE_F_MOVE);
        if (held < 0 && errno == EINTR) continue;
        if (held <= 0) break;
        if (!emptyPipeInto(::fileno(to), static_cast<size_t>(held), copied)) {
            const int error = errno;
            closeSplicePipe();
            errno = error;
            break;
        }
    }
    if (copied != 0) (void)std::fseek(to, 0, SEEK_END);
#else
    (void)from, (void)offset, (void)to, (void)count;
#endif
    return copied;
}

bool reserveFileSpace(FILE* file, uint64_t offset, uint64_t length) {
#ifdef __linux__
    struct statfs system;
    const int descriptor = ::fileno(file);
    return ::fstatfs(descriptor, &system) == 0 && system.f_type == EXT4_SUPER_MAGIC &&
           ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length)) == 0;
#else
    (void)file, (void)offset, (void)length;
    return false;
#endif
}

// Truncating to the length it has frees the blocks past the end; should it fail,
// the file still holds exactly its bytes, with room to spare on the disk.
void releaseFileSpacePast(FILE* file, uint64_t size) { (void)!::ftruncate(::fileno(file), static_cast<off_t>(size)); }

std::string temporaryFolder() {
    const char* given = std::getenv("TMPDIR");
    return given && *given ? given : "/tmp";
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

// The system's own walk of the links decides whether they lead anywhere: a link
// that leads to a missing file gets that file created, but a loop, or a chain
// longer than the system follows, leads to no file, and replacing the link itself
// would break what its owner set up.
Destination inspectDestination(const char* outputName) {
    Destination destination;
    struct stat status;
    if (::stat(outputName, &status) != 0 && errno == ELOOP) {
        destination.path = outputName;
        destination.kind = DestinationKind::Unresolved;
        destination.why = lastError();
        return destination;
    }
    destination.path = followLinks(outputName);
    if (::stat(destination.path.c_str(), &status) != 0) return destination;
    if (S_ISREG(status.st_mode)) destination.kind = DestinationKind::RegularFile;
    else if (S_ISCHR(status.st_mode)) destination.kind = DestinationKind::Device;
    else destination.kind = DestinationKind::Other;
    return destination;
}

namespace {

// Holds back every signal while the pending temporary file is created and
// registered, so that none can fall between the two.
class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() {
        sigset_t held;
        sigfillset(&held);
        ::sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~InterruptionsHeldBack() { ::sigprocmask(SIG_SETMASK, &previous, nullptr); }

private:
    sigset_t previous;
};

}  // namespace

FILE* createTemporaryIn(const std::string& folder, std::string& temporaryName, std::string& why, PendingFile which) {
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
    setPendingTemporary(temporaryName.c_str(), which);
    return file;
}

namespace {

mode_t creationMask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

bool readyToReplace(FILE* temporary, const std::string& destination, std::string& why) {
    const int descriptor = ::fileno(temporary);
    struct stat status;
    if (::stat(destination.c_str(), &status) != 0) {
        (void)::fchmod(descriptor, 0666 & ~creationMask());
        return true;
    }
    // The owner first: changing it clears the set-ID bits that the mode then restores.
    // Owner and group where the process may set them, else the group alone, else neither.
    if (::fchown(descriptor, status.st_uid, status.st_gid) != 0 &&
        ::fchown(descriptor, static_cast<uid_t>(-1), status.st_gid) != 0) {
    }
    // Set-ID bits that the system does not let this process set, it drops.
    (void)::fchmod(descriptor, status.st_mode & 07777);
    if (::fsync(descriptor) == 0) return true;
    why = lastError();
    return false;
}

namespace {

// Best effort: a folder that this process may write but not read cannot be opened
// to be synced, and some file systems sync no folders; the rename stands either way.
void syncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    (void)::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace

bool replaceWithTemporary(const std::string& temporaryName, const std::string& destination, std::string& why) {
    struct stat status;
    const bool replacing = ::stat(destination.c_str(), &status) == 0;
    if (std::rename(temporaryName.c_str(), destination.c_str()) != 0) {
        why = lastError();
        return false;
    }
    if (replacing) syncFolder(folderOf(destination));
    return true;
}

namespace {

// One slot for each PendingFile.
constexpr int pendingSlots = 2;
char pendingTemporary[pendingSlots][PATH_MAX + 1];
volatile sig_atomic_t hasPendingTemporary[pendingSlots] = {};

// The signals whose default action ends the process, with or without a core dump.
// SIGKILL and SIGSTOP cannot be caught; SIGXFSZ is ignored instead (see below).
constexpr int endingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1,
    SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGIO
    SIGIO,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#ifdef SIGLOST
    SIGLOST,
#endif
};

// What each fault did before the handler below: the default, or a sanitizer's report.
struct sigaction previousAction[NSIG];

// A fault of the program's own making, which the instruction that caused it raises
// again as soon as the handler returns.
bool isOwnFault(int signal, const siginfo_t* info) {
    const bool fault = signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
    return fault && info && info->si_code > 0;
}

// Only calls that are safe in a signal handler. A fault is left to happen again
// under its previous action, which then sees where it happened. Any other signal
// is raised again under its default action: it is blocked while its handler runs,
// so it takes effect when the handler returns, and the process ends as the signal
// would have ended it.
void removePendingAndEnd(int signal, siginfo_t* info, void*) {
    for (int slot = 0; slot < pendingSlots; ++slot)
        if (hasPendingTemporary[slot]) ::unlink(pendingTemporary[slot]);
    if (isOwnFault(signal, info)) {
        ::sigaction(signal, &previousAction[signal], nullptr);
        return;
    }
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(signal, &byDefault, nullptr);
    ::raise(signal);
}

void removeTemporaryOn(int signal) {
    struct sigaction current;
    // A signal that the caller ignores (nohup, a background shell) stays ignored.
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
    previousAction[signal] = current;
    struct sigaction action {};
    action.sa_sigaction = removePendingAndEnd;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void installInterruptCleanup() {
    for (int signal : endingSignals) removeTemporaryOn(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) removeTemporaryOn(signal);
    std::signal(SIGXFSZ, SIG_IGN);
}

void setPendingTemporary(const char* path, PendingFile which) {
    const int slot = static_cast<int>(which);
    hasPendingTemporary[slot] = 0;
    if (!path || std::strlen(path) > PATH_MAX) return;
    std::strcpy(pendingTemporary[slot], path);
    hasPendingTemporary[slot] = 1;
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
void useBinaryStandardStreams() {}
void useBinaryStandardError() {}

void writeText(FILE* stream, const char* text) { std::fputs(text, stream); }

std::string localTextToUtf8(const std::string& text) { return text; }

bool isTerminal(FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace platform
