#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "model/FramedNumber.h"

// The output of one job. Bytes go to a new temporary file in the destination's
// folder; commit() flushes and closes it and renames it onto the destination in
// one step, so that until then whatever stood there is untouched, and an output
// never committed is removed when this object goes. The destination is the -o
// name with symbolic links followed (a link keeps pointing at the result; a link
// that leads to no file is refused); an existing destination keeps its permission
// bits and, where allowed, its owner, and is replaced durably (see
// platform::readyToReplace).
// A character device (such as /dev/null) is written directly. The name "-"
// stands for standard output: the output goes to a temporary file in the system's
// temporary folder and, once complete, to standard output. Every failure
// throws CPdfException: the "Output file create error" or "Output file write
// error" line, then the reason on a line of its own.
class OutputFile {
public:
    explicit OutputFile(const char* outputName);
    // Throws the "Output file create error" for a name that no file can have (an
    // empty one), so that a job can refuse it before it does any work.
    static void refuseUnusableName(const std::string& outputName);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void write(const void* bytes, size_t length);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Appends `count` bytes of `input` from its start, as copyRange does.
    uint64_t copyFrom(FILE* input, uint64_t count);
    // Appends `length` bytes of `input` from `from` on, and stops early at the end
    // of the file. A long span goes inside the system where it can and where that
    // is faster (the bytes never pass through this process), the rest through a
    // block. Gives the number of bytes copied; every one counts in position().
    uint64_t copyRange(FILE* input, uint64_t from, uint64_t length);
    // The same for bytes that may run past the end of the input (a head that ends
    // at an offset a damaged table gives): a short copy is no fault there.
    uint64_t copyUpTo(FILE* input, uint64_t from, uint64_t length);
    // How many copies from the input stopped short of the length asked for: each
    // left a part of the input out of the output.
    uint64_t incompleteCopies() const { return shortCopies; }
    // `before`, the number in decimal, `after`, in one write.
    template <size_t BeforeSize, size_t AfterSize>
    void writeFramed(const char (&before)[BeforeSize], int64_t number, const char (&after)[AfterSize]) {
        write(FramedNumber(before, number, after).text());
    }
    // The count of bytes written, which is also the position.
    uint64_t position() const;
    // Flushes, readies, closes and renames onto the destination (or copies to standard output).
    void commit();

private:
    [[noreturn]] void failCreate(const std::string& reason) const;
    [[noreturn]] void failWrite(const std::string& reason) const;
    [[noreturn]] void failWriting() const;  // the last write failed: says why
    void createTemporary(const std::string& folder);
    void leaveBufferingToUs();
    void sendToStandardOutput();
    void abandon();
    void flushGathered();
    void setRoomAsideFor(uint64_t start, uint64_t end);
    uint64_t copyInSystem(FILE* input, uint64_t from, uint64_t length, bool samePlaceInPage);
    uint64_t copyThroughBlock(FILE* input, uint64_t from, uint64_t length);

    std::string outputName;
    std::string destination;    // the file that gets the result
    std::string temporaryName;  // empty when the destination is written directly
    FILE* file = nullptr;
    // Small writes gather here and reach the file in large ones: objects go out in
    // many small pieces, and each call into the C library costs a lock and a copy.
    std::unique_ptr<char[]> gathered;
    size_t gatheredLength = 0;
    std::unique_ptr<char[]> longBlock;  // for long spans copied through this process
    bool pending = false;               // temporaryName exists and is not complete
    bool toStandardOutput = false;
    // Whether commit() syncs the file (it replaces a destination that exists): its
    // long spans then go where the sync costs least (see limits::longCopyBlockBytes).
    bool syncedOnCommit = false;
    uint64_t bytesWritten = 0;
    uint64_t shortCopies = 0;
    // Room on the disk set aside for the temporary file ahead of its writes, up to
    // `roomEnd`, while the system grants it.
    bool settingRoomAside = false;
    uint64_t roomEnd = 0;
};
