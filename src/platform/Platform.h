#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The few calls that differ between platforms. Everything else uses the portable
// C and C++ libraries.
namespace platform {

#ifdef _WIN32
constexpr char pathSeparator = '\\';
#else
constexpr char pathSeparator = '/';
#endif

// Creates a folder; an existing one is fine, and the result is not reported.
void makeDirectory(const char* path);
bool removeFile(const char* path);
// True when the open file is a regular file (not a device, pipe or socket).
bool isRegularFile(FILE* file);

// True when both names lead to the same existing file (also through links).
bool isSameFile(const char* first, const char* second);
// The final path of an existing file, links resolved; empty when there is none.
std::string resolvePath(const char* path);
// Creates and opens a new, empty file beside `path` for writing; its name goes to
// `temporaryName`. Null when none can be made.
FILE* createTemporaryBeside(const std::string& path, std::string& temporaryName);
// Gives `temporaryName` the permissions of `original` and renames it over it.
bool replaceFile(const std::string& temporaryName, const std::string& original);

// fseek and ftell for files of 2 GiB and more: their `long` has 32 bits on Windows.
// seekFile gives 0 on success; tellFile gives -1 on failure.
int seekFile(FILE* file, int64_t offset, int whence);
int64_t tellFile(FILE* file);

// Makes standard output pass the program's bytes as they are. Windows' C runtime
// would otherwise write every "\n" as "\r\n", and scripts read the console text.
void useBinaryStandardOutput();

}  // namespace platform
