// The platform calls for Windows. Paths are UTF-8 inside the program (wmain's
// arguments, converted once) and reach the system through the ...W functions as
// UTF-16, so that every name a user can type opens; a path too long for the
// classic limit of MAX_PATH is given in its "\\?\" form. Both "\" and "/" separate
// folders.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "limits/Messages.h"
#include "platform/Platform.h"

namespace platform {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

int clampedLength(size_t length) { return static_cast<int>(std::min<size_t>(length, INT_MAX)); }

// Text that is not valid UTF-8 gets U+FFFD where it fails, as the system's own conversion does.
std::wstring toWide(const std::string& text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const int length = clampedLength(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(needed, 0)), L'\0');
    if (needed > 0) ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string toUtf8(const wchar_t* wide, size_t count) {
    if (count == 0) return {};
    const int length = clampedLength(count);
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(needed, 0)), '\0');
    if (needed > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), needed, nullptr, nullptr);
    return text;
}

std::string toUtf8(const std::wstring& wide) { return toUtf8(wide.data(), wide.size()); }

// The full path of `path` as the system resolves it (the current folder before a
// relative one, "." and ".." taken away, "/" made "\"); empty when there is none.
std::wstring fullPathOf(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    return full;
}

// Below this length a path is given as it stands; from it on in its "\\?\" form,
// which the classic limit does not bind. MAX_PATH less 12 is the limit of
// CreateDirectory (a folder leaves room for a file name in 8.3 form). Short paths
// keep their usual reading: in the "\\?\" form "NUL" is no device and "/" no
// separator.
constexpr size_t classicPathLength = MAX_PATH - 12;

std::wstring widePath(const std::string& path) {
    std::wstring wide = toWide(path);
    if (wide.size() < classicPathLength || wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) return wide;
    const std::wstring full = fullPathOf(wide);
    if (full.empty()) return wide;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // "\\server\share"
    return L"\\\\?\\" + full;
}

// "X:" at the start of a path.
bool hasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
}

// The reason for a failed Windows call. The common ones get the C runtime's words,
// as failed C library calls do (lastError), so that a reason reads the same
// whichever call failed; the others the system's own words.
int errnoFor(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return 0;
    }
}

std::string messageFor(DWORD code) {
    if (const int number = errnoFor(code)) return std::strerror(number);
    wchar_t text[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                    sizeof text / sizeof text[0], nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L'.')) --length;
    return length ? toUtf8(text, length) : message::unnamedSystemError(code);
}

// An open handle to an existing file, folder or device, only to ask about it.
class QueryHandle {
public:
    explicit QueryHandle(const char* path)
        : handle(::CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~QueryHandle() {
        if (isOpen()) ::CloseHandle(handle);
    }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }
    bool isFolder() const {
        BY_HANDLE_FILE_INFORMATION info;
        return ::GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    }

private:
    HANDLE handle;
};

HANDLE handleOf(FILE* file) { return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file))); }

// A C runtime stream over a Windows handle; the handle is closed on failure.
FILE* streamOver(HANDLE handle, int flags, const char* mode, std::string& why) {
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        why = messageFor(::GetLastError());
        ::CloseHandle(handle);
        return nullptr;
    }
    FILE* file = ::_fdopen(descriptor, mode);
    if (!file) {
        why = lastError();
        ::_close(descriptor);
    }
    return file;
}

// The final path of an open file (links followed), without the "\\?\" that
// GetFinalPathNameByHandle puts before it; empty when there is none.
std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            if (path.starts_with(L"\\\\?\\UNC\\")) return path.erase(2, 6);  // "\\?\UNC\server" is "\\server"
            return path.starts_with(L"\\\\?\\") ? path.erase(0, 4) : path;
        }
        path.assign(length + 1, L'\0');  // the size it needs, with its terminating null
    }
    return {};
}

// The temporary file on which an interruption is pending. The console control
// handler runs on a thread of its own; the lock keeps it from falling between the
// creation of a temporary file and its registration.
// One slot for each PendingFile, each holding the path as DeleteFileW takes it:
// the handler converts nothing.
constexpr int pendingSlots = 2;
constexpr size_t longestWidePath = 32767;
wchar_t pendingTemporary[pendingSlots][longestWidePath + 1];
bool hasPendingTemporary[pendingSlots] = {};
SRWLOCK pendingLock = SRWLOCK_INIT;

class PendingLock {
public:
    PendingLock() { ::AcquireSRWLockExclusive(&pendingLock); }
    ~PendingLock() { ::ReleaseSRWLockExclusive(&pendingLock); }
    PendingLock(const PendingLock&) = delete;
    PendingLock& operator=(const PendingLock&) = delete;
};

void registerPending(const char* path, PendingFile which) {
    const int slot = static_cast<int>(which);
    hasPendingTemporary[slot] = false;
    if (!path) return;
    const std::wstring wide = widePath(path);
    if (wide.size() > longestWidePath) return;
    std::wcscpy(pendingTemporary[slot], wide.c_str());
    hasPendingTemporary[slot] = true;
}

// Ctrl+C, Ctrl+Break, a closed console window, a logoff or a shutdown: the pending
// temporary file goes (it is open for writing, and shared for deletion, so it is
// removed when the process ends), and the process ends with the code Windows
// gives a process that Ctrl+C ends. It ends at once, as on POSIX: ExitProcess
// would flush the C runtime's streams, whose locks the main thread may hold.
// "taskkill /F" (TerminateProcess) cannot be caught: a job killed so leaves its
// temporary file, and the destination as it was.
BOOL WINAPI removePendingOnInterrupt(DWORD) {
    const PendingLock locked;  // never released: the process ends here
    for (int slot = 0; slot < pendingSlots; ++slot)
        if (hasPendingTemporary[slot]) ::DeleteFileW(pendingTemporary[slot]);
    ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// A name beside no other yet: ".folioturn-" and six hexadecimal digits.
std::string candidateName(const std::string& folder, unsigned attempt) {
    const uint64_t seed = ::GetTickCount64() ^ uint64_t { ::GetCurrentProcessId() } << 24 ^ uint64_t { attempt } << 48;
    const uint64_t mix = seed * 0x9E3779B97F4A7C15ull;
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(mix >> 40) & 0xFFFFFFu);
    const bool joined = folder.empty() || isSeparator(folder.back()) || folder.back() == ':';
    return folder + (joined ? "" : "\\") + ".folioturn-" + suffix;
}

}  // namespace

void makeDirectory(const char* path) { (void)::CreateDirectoryW(widePath(path).c_str(), nullptr); }

bool makeDirectories(const std::string& path) {
    for (size_t at = 1; at < path.size(); ++at)
        if (isSeparator(path[at]) && path[at - 1] != ':') makeDirectory(path.substr(0, at).c_str());
    makeDirectory(path.c_str());
    return isFolder(path.c_str());
}

bool removeFile(const char* path) { return ::DeleteFileW(widePath(path).c_str()) != 0; }

bool isFolder(const char* path) {
    const DWORD attributes = ::GetFileAttributesW(widePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const char* path) { return ::GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

FILE* openFile(const char* path, const char* mode) { return ::_wfopen(widePath(path).c_str(), toWide(mode).c_str()); }

std::string lastError() { return std::strerror(errno); }

// Only disk files: a console, the NUL device, a serial port or a pipe is refused.
FILE* openInputFile(const char* path, std::string& why) {
    const HANDLE handle =
        ::CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        why = messageFor(::GetLastError());
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool disk = ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info);
    if (!disk || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = disk ? message::isFolder : message::notRegularFile;
        ::CloseHandle(handle);
        return nullptr;
    }
    return streamOver(handle, _O_RDONLY | _O_BINARY, "rb", why);
}

bool stampOf(FILE* file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handleOf(file), &info)) return false;
    stamp.size = uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    const uint64_t ticks = uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
    stamp.modified = static_cast<int64_t>(ticks) * 100;  // 100-nanosecond ticks
    return true;
}

// ReadFile at an offset moves the handle's position, which the C runtime's stream
// relies on: it is put back, so that the stream reads on where it was.
size_t readAt(FILE* file, uint64_t offset, void* buffer, size_t count) {
    const HANDLE handle = handleOf(file);
    LARGE_INTEGER position{}, zero{};
    if (!::SetFilePointerEx(handle, zero, &position, FILE_CURRENT)) return 0;
    size_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
        if (!::ReadFile(handle, static_cast<char*>(buffer) + done, wanted, &got, &at) || got == 0) break;
        done += got;
    }
    ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    return done;
}

// Windows has no call that appends part of one open file to another: the caller
// copies it all.
uint64_t copyInSystem(FILE*, uint64_t, FILE*, uint64_t) { return 0; }
uint64_t copyThroughPipe(FILE*, uint64_t, FILE*, uint64_t) { return 0; }

// Not measured on Windows: outputs grow as they are written.
bool reserveFileSpace(FILE*, uint64_t, uint64_t) { return false; }
void releaseFileSpacePast(FILE*, uint64_t) {}

// GetTempPath ends the folder with "\"; only a drive's root keeps it.
std::string temporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return ".";
    std::string path = toUtf8(folder, length);
    if (path.size() > 3 && isSeparator(path.back())) path.pop_back();
    return path;
}

std::string folderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return hasDrive(path) ? path.substr(0, 2) : ".";
    // The root of the drive, or of the current one: "C:\" or "\".
    if (separator == 0 || (separator == 2 && hasDrive(path))) return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

// As on POSIX the destination keeps the name it was given, unless a link leads
// elsewhere: then the file the link leads to gets the result. A link that the
// system cannot resolve (a loop) leads to no file and is refused, not replaced.
Destination inspectDestination(const char* outputName) {
    Destination destination;
    destination.path = outputName;
    const QueryHandle target(outputName);
    if (!target.isOpen()) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_CANT_RESOLVE_FILENAME) {
            destination.kind = DestinationKind::Unresolved;
            destination.why = messageFor(code);
        }
        return destination;
    }
    switch (::GetFileType(target.get())) {
    case FILE_TYPE_CHAR:
        destination.kind = DestinationKind::Device;
        return destination;
    case FILE_TYPE_DISK:
        break;
    default:
        destination.kind = DestinationKind::Other;
        return destination;
    }
    if (target.isFolder()) {
        destination.kind = DestinationKind::Other;
        return destination;
    }
    destination.kind = DestinationKind::RegularFile;
    const std::wstring resolved = finalPath(target.get());
    if (!resolved.empty() && ::_wcsicmp(resolved.c_str(), fullPathOf(toWide(outputName)).c_str()) != 0)
        destination.path = toUtf8(resolved);
    return destination;
}

// CREATE_NEW never reuses a name. The file is shared for deletion, so that an
// interruption can remove it while it is still being written.
FILE* createTemporaryIn(const std::string& folder, std::string& temporaryName, std::string& why, PendingFile which) {
    const PendingLock locked;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = candidateName(folder, attempt);
        const HANDLE handle = ::CreateFileW(widePath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            why = messageFor(code);
            return nullptr;
        }
        FILE* file = streamOver(handle, _O_WRONLY | _O_BINARY, "wb", why);
        if (!file) {
            removeFile(name.c_str());
            return nullptr;
        }
        temporaryName = name;
        registerPending(name.c_str(), which);
        return file;
    }
    why = message::noFreeTemporaryName;
    return nullptr;
}

// ReplaceFile keeps the attributes and security of an existing destination (see
// below); what is left is to put the data on the disk before it takes the
// destination's place. A new destination needs no flush: its input still exists.
bool readyToReplace(FILE* temporary, const std::string& destination, std::string& why) {
    if (!exists(destination.c_str())) return true;
    if (::FlushFileBuffers(handleOf(temporary))) return true;
    why = messageFor(::GetLastError());
    return false;
}

// ReplaceFile keeps what Windows knows of an existing destination: its attributes
// and its security (who may read and write it). A new destination, or one that
// ReplaceFile cannot handle, gets the temporary file by a rename, written through
// to the disk.
bool replaceWithTemporary(const std::string& temporaryName, const std::string& destination, std::string& why) {
    const std::wstring from = widePath(temporaryName);
    const std::wstring to = widePath(destination);
    if (exists(destination.c_str()) &&
        ::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    why = messageFor(::GetLastError());
    return false;
}

void installInterruptCleanup() { ::SetConsoleCtrlHandler(removePendingOnInterrupt, TRUE); }

void setPendingTemporary(const char* path, PendingFile which) {
    const PendingLock locked;
    registerPending(path, which);
}

// Anything rooted ("\x", "/x", "\\server\share") or on a drive ("C:\x", and "C:x",
// which is relative to the drive's own current folder) leads out of the folder.
bool isAbsolutePath(const std::string& path) { return (!path.empty() && isSeparator(path[0])) || hasDrive(path); }

bool hasParentComponent(const std::string& path) {
    size_t start = 0;
    for (;;) {
        const size_t end = path.find_first_of("\\/", start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// What the "\\?\" form of a path allows, in UTF-16 units.
size_t longestPath() { return longestWidePath; }

int seekFile(FILE* file, int64_t offset, int whence) { return ::_fseeki64(file, offset, whence); }

int64_t tellFile(FILE* file) { return ::_ftelli64(file); }

void useBinaryStandardStreams() {
    (void)::_setmode(::_fileno(stdin), _O_BINARY);
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
}

void useBinaryStandardError() { (void)::_setmode(::_fileno(stderr), _O_BINARY); }

namespace {

// Asked once for each stream: the console text is written in many small pieces.
bool isConsole(FILE* stream) {
    static const auto consoleAt = [](FILE* of) {
        DWORD mode = 0;
        return ::GetConsoleMode(handleOf(of), &mode) != 0;
    };
    static const bool output = consoleAt(stdout);
    static const bool errors = consoleAt(stderr);
    return stream == stdout ? output : stream == stderr ? errors : false;
}

}  // namespace

// A console shows UTF-16 as it is; a file or a pipe gets UTF-8, which every
// program that reads it can tell.
void writeText(FILE* stream, const char* text) {
    if (!isConsole(stream)) {
        std::fputs(text, stream);
        return;
    }
    std::fflush(stream);
    const std::wstring wide = toWide(text);
    DWORD written = 0;
    (void)::WriteConsoleW(handleOf(stream), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

std::string localTextToUtf8(const std::string& text) { return toUtf8(toWide(text, CP_ACP)); }

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(toUtf8(argv[i], std::wcslen(argv[i])));
    return arguments;
}

bool isTerminal(FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

}  // namespace platform
