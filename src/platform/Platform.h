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

// Reads up to `count` bytes at `offset` of an open file without moving its
// position or using its buffer: one system call, where a seek and a read are two.
// Gives the number of bytes read (fewer at the end of the file or on an error).
size_t readAt(FILE* file, uint64_t offset, void* buffer, size_t count);

// Copies up to `count` bytes of `from`, starting at `offset`, to the end of `to`
// inside the operating system, where it can (no buffer in this process; `to` must
// have been flushed). Gives the number of bytes copied: fewer, also 0, where the
// system cannot copy between these files, and the caller copies the rest itself.
uint64_t copyInSystem(FILE* from, uint64_t offset, FILE* to, uint64_t count);

// True when both names lead to the same existing file (also through links).
bool isSameFile(const char* first, const char* second);
// The final path of an existing file, links resolved; empty when there is none.
std::string resolvePath(const char* path);
// Creates and opens a new, empty file beside `path` for writing; its name goes to
// `temporaryName`. Null when none can be made.
FILE* createTemporaryBeside(const std::string& path, std::string& temporaryName);
// Gives `temporaryName` the permissions of `original` and renames it over it.
bool replaceFile(const std::string& temporaryName, const std::string& original);

}  // namespace platform
