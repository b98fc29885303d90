// Creating, writing and finishing the output file. Every write is checked, and a
// job that fails leaves no partial output behind. An output that is the input
// itself is written beside it and renamed over it only when complete.
#include <sys/types.h>

#include <cstdint>
#include <cstdio>

#include "app/Platform.h"
#include "app/PdfRotate.h"
#include "model/PdfException.h"

void CPdfRotate::openOutput() {
    if (platform::isSameFile(inputName, outputName)) {
        replacedInput = platform::resolvePath(inputName);
        if (!replacedInput.empty()) outputFile = platform::createTemporaryBeside(replacedInput, writeTarget);
    } else {
        outputFile = std::fopen(outputName, "wb");
        writeTarget = outputName;
    }
    if (!outputFile) throw CPdfException::formatted("\nOutput file create error: %s\n", outputName);
    // Only a regular file is removed on failure: an output such as /dev/full or a
    // pipe is not ours to delete (as root, removing it would unlink the device).
    outputPending = platform::isRegularFile(outputFile);
    bytesWritten = 0;
}

void CPdfRotate::write(const void* bytes, size_t length) {
    if (length != 0 && std::fwrite(bytes, 1, length, outputFile) != length)
        throw CPdfException::formatted("\nOutput file write error: %s\n", outputName);
    bytesWritten += length;
}

// Offsets in the new table are 32-bit: an output that grows beyond them cannot be described.
// The output starts empty and only write() adds to it, so the count of bytes written
// is its position; asking the file for it would cost a system call per object.
uint32_t CPdfRotate::outputPosition() {
    if (bytesWritten > UINT32_MAX) throw CPdfException::formatted("\nOutput file write error: %s\n", outputName);
    return static_cast<uint32_t>(bytesWritten);
}

void CPdfRotate::finishOutput() {
    const bool flushed = std::fflush(outputFile) == 0;
    const bool closed = std::fclose(outputFile) == 0;
    outputFile = nullptr;
    if (!flushed || !closed) throw CPdfException::formatted("\nOutput file write error: %s\n", outputName);
    if (!replacedInput.empty() && !platform::replaceFile(writeTarget, replacedInput))
        throw CPdfException::formatted("\nOutput file write error: %s\n", outputName);
    outputPending = false;
}

void CPdfRotate::abandonOutput() {
    if (outputFile) std::fclose(outputFile);
    outputFile = nullptr;
    if (outputPending) platform::removeFile(writeTarget.c_str());
    outputPending = false;
}

void CPdfRotate::closeAll() {
    if (inputFile) std::fclose(inputFile);
    inputFile = nullptr;
    if (document.isOpen) document.close();
}
