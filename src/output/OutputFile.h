#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The output of one job. It is created at once; bytes are written and counted;
// commit() makes it final, and an output that is never committed is removed when
// this object goes (a failed job leaves no partial file). An output that is the
// input itself is written beside it and renamed over it only when complete.
// Every failure throws CPdfException with the output's name.
class OutputFile {
public:
    OutputFile(const char* inputName, const char* outputName);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    void write(const void* bytes, size_t length);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Appends `count` bytes of `input` from its start, in the system where it can
    // and otherwise in blocks of a fixed size. Gives the number of bytes copied.
    uint64_t copyFrom(FILE* input, uint64_t count);
    // `before`, the number in decimal, `after`.
    void writeFramed(const char* before, int64_t number, const char* after);
    // The count of bytes written, which is also the position; offsets in the
    // output's table are 32-bit, so an output beyond them cannot be described.
    uint32_t position() const;
    // Flushes, closes and (for an output that is the input) renames.
    void commit();

private:
    [[noreturn]] void failWrite() const;
    void abandon();

    std::string outputName;
    FILE* file = nullptr;
    std::string writeTarget;     // the file being written: outputName, or a temporary beside the input
    std::string replacedInput;   // for an output that is the input: the input's final path
    bool pending = false;        // writeTarget exists and is not complete
    uint64_t bytesWritten = 0;
};
