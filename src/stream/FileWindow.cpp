#include "stream/FileWindow.h"

#include <algorithm>
#include <cstring>

#include "platform/Platform.h"

FileWindow::FileWindow(FILE* file, uint64_t fileSize, size_t blockBytes)
    : file(file), size(fileSize), blockBytes(blockBytes) {}

size_t FileWindow::view(uint64_t position, size_t count, const uint8_t*& bytes) {
    if (position >= size) return 0;
    count = static_cast<size_t>(std::min<uint64_t>(count, size - position));
    const bool inside = position >= bufferStart && position + count <= bufferStart + held;
    if (!inside) fill(position, count);
    if (position < bufferStart || position >= bufferStart + held) return 0;  // the file could not be read
    const size_t offset = static_cast<size_t>(position - bufferStart);
    bytes = buffer.data() + offset;
    return held - offset;
}

// The held bytes from `position` on are kept; the rest of the block is read after them.
void FileWindow::fill(uint64_t position, size_t count) {
    const size_t wanted = std::max(count, blockBytes);
    if (buffer.size() < wanted) buffer.resize(wanted);
    size_t kept = 0;
    if (position >= bufferStart && position < bufferStart + held) {
        kept = static_cast<size_t>(bufferStart + held - position);
        std::memmove(buffer.data(), buffer.data() + (position - bufferStart), kept);
    }
    bufferStart = position;
    held = kept;
    const uint64_t readFrom = position + kept;
    const size_t toRead = static_cast<size_t>(std::min<uint64_t>(buffer.size() - kept, size - readFrom));
    if (toRead == 0) return;
    while (held < kept + toRead) {
        const size_t got = platform::readAt(file, bufferStart + held, buffer.data() + held, kept + toRead - held);
        if (got == 0) break;
        held += got;
    }
}
