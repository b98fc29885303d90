#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The calls that differ between platforms. Everything else uses the portable C and
// C++ libraries. Failures that a user should understand come back with `why`, a
// short reason in the system's words. Names are UTF-8 inside the program on
// Windows (the wide functions take them there); on POSIX they are the bytes the
// system gives, as they are.
namespace platform {

#ifdef _WIN32
constexpr char pathSeparator = '\\';
#else
constexpr char pathSeparator = '/';
#endif

// The name that stands for standard input after -i and for standard output after -o.
constexpr char standardStreamName[] = "-";

// Folders.
// Creates a folder; an existing one is fine, and the result is not reported.
void makeDirectory(const char* path);
// Creates every missing folder of `path`; true when it exists afterwards.
bool makeDirectories(const std::string& path);
bool removeFile(const char* path);
// True when `path` names a folder (links followed).
bool isFolder(const char* path);
// True when `path` leads to a file, folder or device (links followed).
bool exists(const char* path);
// fopen for names as the program carries them.
FILE* openFile(const char* path, const char* mode);

// Inputs.
// Opens a regular file for reading, without blocking on a pipe or device; null
// with `why` for anything else.
FILE* openInputFile(const char* path, std::string& why);
// What tells that a file changed while it was read.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;  // nanoseconds
    bool operator==(const FileStamp&) const = default;
};
bool stampOf(FILE* file, FileStamp& stamp);

// Reads up to `count` bytes at `offset` of an open file without moving its
// position or using its buffer: one system call, where a seek and a read are two.
// Gives the number of bytes read (fewer at the end of the file or on an error).
size_t readAt(FILE* file, uint64_t offset, void* buffer, size_t count);

// Copies up to `count` bytes of `from`, starting at `offset`, to the end of `to`
// inside the operating system, where it can (no buffer in this process; `to` must
// have been flushed): on Linux file to file, else through sendfile where the first
// is refused (between file systems, on older kernels); elsewhere not at all. Gives
// the number of bytes copied: fewer, also 0, where the system cannot copy between
// these files (`from` is no regular file, an error, the end of `from`), and the
// caller copies the rest itself.
uint64_t copyInSystem(FILE* from, uint64_t offset, FILE* to, uint64_t count);
// The same through a pipe (on Linux; elsewhere nothing is copied): the pipe takes
// the input's pages without a copy, and the output copies them once from there.
// Where the bytes stand at different places within a page in the two files, this
// is faster than copyInSystem (which then moves each page in two parts, in pieces
// of a small pipe's size) and than a copy through a block of this process's (two
// copies of each byte): 200 MB on ext4 (Linux 6.18) took about 37 ms, 46 ms and
// 41 ms. Gives the number of bytes copied, as copyInSystem does.
uint64_t copyThroughPipe(FILE* from, uint64_t offset, FILE* to, uint64_t count);

// Sets aside room on the disk for `length` bytes of `file` from `offset` on, without
// changing its size, where that makes the writes that then fill it cheaper: on ext4,
// which otherwise reserves and maps its blocks a page at a time as pages are written
// (6.9 MB in 64 KiB writes took 1.05 ms, 0.66 ms into room set aside ahead). False
// elsewhere, and where the system refuses (a full disk, say): the caller then stops
// asking. File systems in memory would zero the pages ahead (slower), and others
// set room aside themselves as a file grows.
bool reserveFileSpace(FILE* file, uint64_t offset, uint64_t length);
// Gives back the room set aside past `size`, the file's complete length.
void releaseFileSpacePast(FILE* file, uint64_t size);

// Outputs. A job's output goes to a temporary file in the destination's folder,
// which is renamed onto the destination when complete, so that whatever stood
// there survives a failed, interrupted or killed job.
// Unresolved: a symbolic link that leads to no file, in a loop or through more
// links than the system follows; `why` says so in the system's words.
enum class DestinationKind { Missing, RegularFile, Device, Other, Unresolved };
struct Destination {
    std::string path;  // symbolic links followed: the file that gets the result
    DestinationKind kind = DestinationKind::Missing;
    std::string why;  // for Unresolved
};
Destination inspectDestination(const char* outputName);
// A new, empty file in `folder` with a short name that marks it as ours; it is
// the pending temporary file `which` (see below) from the moment it exists.
enum class PendingFile { Output, InputSpool };
FILE* createTemporaryIn(const std::string& folder, std::string& temporaryName, std::string& why,
                        PendingFile which = PendingFile::Output);
// Readies a complete temporary file, flushed and still open, to take the place of
// `destination`. An existing destination passes on its owner and group where
// allowed, then its permission bits with the set-ID and sticky bits (in that order:
// a change of owner clears the set-ID bits), and the file's data is synced to the
// disk, so that the rename can never reach the disk before the bytes it points at.
// A new destination gets the permission bits of any new file and no sync: the input
// it was made from still exists.
bool readyToReplace(FILE* temporary, const std::string& destination, std::string& why);
// Renames the closed temporary file onto the destination in one step; when that
// replaced a file, the folder is synced too, so that the rename itself is durable.
bool replaceWithTemporary(const std::string& temporaryName, const std::string& destination, std::string& why);
// The system's folder for temporary files ($TMPDIR, else /tmp; on Windows the
// folder GetTempPath names), where what has no folder of its own is kept.
std::string temporaryFolder();
// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);
// The reason for the last failed file operation, in the system's words.
std::string lastError();

// Interruptions. Every signal whose default action ends the process (SIGPIPE from
// a closed console included) removes the pending temporary file and then ends the
// process as the signal would; a signal that the caller ignores stays ignored; a
// file-size limit fails the write instead of killing the process. On Windows,
// Ctrl+C, Ctrl+Break and a closed console. Installed once, at the start of the program.
void installInterruptCleanup();
// The temporary files to remove on an interruption: the output's and the copy of
// standard input that a job reads, each one or none (nullptr).
void setPendingTemporary(const char* path, PendingFile which = PendingFile::Output);

// Paths in list files.
bool isAbsolutePath(const std::string& path);
bool hasParentComponent(const std::string& path);
// The longest path the system accepts.
size_t longestPath();

// fseek and ftell for files of 2 GiB and more: their `long` has 32 bits on Windows.
// seekFile gives 0 on success; tellFile gives -1 on failure.
int seekFile(FILE* file, int64_t offset, int whence);
int64_t tellFile(FILE* file);

// Makes standard input and output pass bytes as they are. Windows' C runtime
// would otherwise write every "\n" as "\r\n", and scripts read the console text;
// a PDF read from standard input or written to standard output is binary.
void useBinaryStandardStreams();
// The same for standard error, when it takes the console text in place of standard output.
void useBinaryStandardError();

// Writes UTF-8 text to standard output or standard error. POSIX writes the bytes;
// Windows writes them at a console through the console's own Unicode call, so
// that every name shows as typed, and writes the UTF-8 bytes to a file or a pipe.
void writeText(FILE* stream, const char* text);

// A list file's line in no Unicode encoding, as UTF-8: on Windows read in the
// ANSI code page (what "dir /B > list.txt" writes); on POSIX the bytes as they are.
std::string localTextToUtf8(const std::string& text);

#ifdef _WIN32
// The arguments of wmain as UTF-8.
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);
#endif

// True when `stream` (standard output or standard error) is a terminal or console
// that a person watches, rather than a file or a pipe.
bool isTerminal(FILE* stream);

}  // namespace platform
