// The platform calls for Windows. Paths are narrow strings in the ANSI code page,
// as the C runtime hands them to main, so the ...A functions of the Windows API
// take them the way fopen does.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Platform.h"

namespace platform {

namespace {

// An open handle to an existing file or folder, only to ask about it.
class QueryHandle {
public:
    explicit QueryHandle(const char* path)
        : handle(::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~QueryHandle() {
        if (isOpen()) ::CloseHandle(handle);
    }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }

private:
    HANDLE handle;
};

// A name that no file beside `path` has yet, to try for a new temporary file.
std::string candidateName(const std::string& path, unsigned attempt) {
    const uint64_t mix = ::GetTickCount64() * 0x9E3779B97F4A7C15ull ^ (uint64_t{::GetCurrentProcessId()} << 20) ^ attempt;
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(mix >> 40) & 0xFFFFFF);
    return path + ".folioturn-" + suffix;
}

}  // namespace

void makeDirectory(const char* path) { (void)::_mkdir(path); }

bool removeFile(const char* path) { return std::remove(path) == 0; }

// A disk file, as opposed to a console, the NUL device or a pipe.
bool isRegularFile(FILE* file) {
    const intptr_t handle = ::_get_osfhandle(::_fileno(file));
    return handle != -1 && ::GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_DISK;
}

// The same volume and the same file index: one file, whatever names lead to it.
bool isSameFile(const char* first, const char* second) {
    const QueryHandle a(first), b(second);
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    if (!a.isOpen() || !b.isOpen() || !::GetFileInformationByHandle(a.get(), &infoA) ||
        !::GetFileInformationByHandle(b.get(), &infoB))
        return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

// The final path, links resolved, in the "\\?\C:\..." form that every file call takes.
std::string resolvePath(const char* path) {
    const QueryHandle file(path);
    if (!file.isOpen()) return {};
    std::string resolved(MAX_PATH, '\0');
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD length = ::GetFinalPathNameByHandleA(file.get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < resolved.size()) {
            resolved.resize(length);
            return resolved;
        }
        resolved.assign(length + 1, '\0');  // the size it needs, with its terminating null
    }
    return {};
}

// _O_EXCL makes the creation fail on a name that exists, so no file is ever reused.
FILE* createTemporaryBeside(const std::string& path, std::string& temporaryName) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = candidateName(path, attempt);
        const int descriptor = ::_open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        FILE* file = ::_fdopen(descriptor, "wb");
        if (!file) {
            ::_close(descriptor);
            std::remove(name.c_str());
            return nullptr;
        }
        temporaryName = name;
        return file;
    }
    return nullptr;
}

// ReplaceFile keeps the replaced file's attributes and security (its permissions on
// Windows). Where it cannot (some file systems do not support it), a plain rename
// over the file is the fallback.
bool replaceFile(const std::string& temporaryName, const std::string& original) {
    if (::ReplaceFileA(original.c_str(), temporaryName.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr))
        return true;
    return ::MoveFileExA(temporaryName.c_str(), original.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

int seekFile(FILE* file, int64_t offset, int whence) { return ::_fseeki64(file, offset, whence); }

int64_t tellFile(FILE* file) { return ::_ftelli64(file); }

void useBinaryStandardOutput() { (void)::_setmode(::_fileno(stdout), _O_BINARY); }

}  // namespace platform
