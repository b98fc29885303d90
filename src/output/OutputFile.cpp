#include "output/OutputFile.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

OutputFile::OutputFile(const char* outputName)
    : outputName(outputName), gathered(std::make_unique_for_overwrite<char[]>(limits::outputGatherBytes)) {
    if (this->outputName == platform::standardStreamName) {
        toStandardOutput = true;
        createTemporary(platform::temporaryFolder());
        return;
    }
    refuseUnusableName(this->outputName);
    const platform::Destination target = platform::inspectDestination(outputName);
    destination = target.path;
    switch (target.kind) {
    case platform::DestinationKind::Device:
        // Not ours to replace or remove (as root, removing it would unlink the device).
        file = platform::openFile(destination.c_str(), "wb");
        if (!file) failCreate(message::nameAndReason(destination, platform::lastError()));
        leaveBufferingToUs();
        return;
    case platform::DestinationKind::Other:
        failCreate(message::notRegularFileNamed(destination));
    case platform::DestinationKind::Unresolved:
        failCreate(message::nameAndReason(destination, target.why));
    case platform::DestinationKind::RegularFile:
        syncedOnCommit = true;
        break;
    default:
        break;
    }
    createTemporary(platform::folderOf(destination));
}

void OutputFile::createTemporary(const std::string& folder) {
    std::string why;
    file = platform::createTemporaryIn(folder, temporaryName, why);
    if (!file) failCreate(message::cannotCreateTemporaryIn(folder, why));
    pending = true;
    settingRoomAside = true;
    leaveBufferingToUs();
}

// Small writes gather in the output's own buffer and reach the file a buffer at a
// time: a second buffer in the C library would part each of those writes in two.
void OutputFile::leaveBufferingToUs() { std::setvbuf(file, nullptr, _IONBF, 0); }

OutputFile::~OutputFile() { abandon(); }

namespace {

[[noreturn]] void failCreating(const std::string& outputName, const std::string& reason) {
    throw CPdfException(FailureKind::Output, message::outputCreateError(outputName.c_str(), reason.c_str()));
}

}  // namespace

void OutputFile::refuseUnusableName(const std::string& outputName) {
    if (outputName.empty()) failCreating(outputName, message::outputNameEmpty);
}

void OutputFile::failCreate(const std::string& reason) const { failCreating(outputName, reason); }

void OutputFile::failWrite(const std::string& reason) const {
    throw CPdfException(FailureKind::Output, message::outputWriteError(outputName.c_str(), reason.c_str()));
}

void OutputFile::failWriting() const {
    failWrite(message::cannotWrite(pending ? temporaryName : destination, platform::lastError()));
}

// Every write to the file but the last ends where the output reaches a multiple of
// the gather size: a file system takes whole, aligned blocks at a fraction of the
// cost of pieces that straddle its pages. Bytes that fill whole blocks from such a
// place on go to the file from where they are, without a copy.
void OutputFile::write(const void* bytes, size_t length) {
    constexpr size_t blockBytes = limits::outputGatherBytes;
    const char* rest = static_cast<const char*>(bytes);
    while (length != 0) {
        const size_t toBoundary = blockBytes - static_cast<size_t>(bytesWritten % blockBytes);
        if (gatheredLength == 0 && toBoundary == blockBytes && length >= blockBytes) {
            const size_t wholeBlocks = length - length % blockBytes;
            setRoomAsideFor(bytesWritten, bytesWritten + wholeBlocks);
            if (std::fwrite(rest, 1, wholeBlocks, file) != wholeBlocks) failWriting();
            bytesWritten += wholeBlocks;
            rest += wholeBlocks;
            length -= wholeBlocks;
            continue;
        }
        // The gathered bytes start where the file ends, at most a block before the boundary.
        const size_t part = std::min(toBoundary, length);
        std::memcpy(gathered.get() + gatheredLength, rest, part);
        gatheredLength += part;
        bytesWritten += part;
        rest += part;
        length -= part;
        if (part == toBoundary) flushGathered();
    }
}

void OutputFile::flushGathered() {
    const size_t length = std::exchange(gatheredLength, 0);
    if (length == 0) return;
    setRoomAsideFor(bytesWritten - length, bytesWritten);
    if (std::fwrite(gathered.get(), 1, length, file) != length) failWriting();
}

// Before the file grows from `start` (its end) to `end`: room from there, as much as
// the file holds already, within the first and the largest step.
void OutputFile::setRoomAsideFor(uint64_t start, uint64_t end) {
    if (!settingRoomAside || end <= roomEnd || end < limits::outputRoomFromBytes) return;
    const uint64_t from = std::max(roomEnd, start);
    const uint64_t step = std::clamp(from, limits::outputRoomFromBytes, limits::largestOutputRoomStep);
    const uint64_t length = std::max(end - from, step);
    settingRoomAside = platform::reserveFileSpace(file, from, length);
    if (settingRoomAside) roomEnd = from + length;
}

uint64_t OutputFile::copyFrom(FILE* input, uint64_t count) { return copyRange(input, 0, count); }

uint64_t OutputFile::copyRange(FILE* input, uint64_t from, uint64_t length) {
    const uint64_t copied = copyUpTo(input, from, length);
    if (copied < length) ++shortCopies;
    return copied;
}

uint64_t OutputFile::copyUpTo(FILE* input, uint64_t from, uint64_t length) {
    const bool samePlaceInPage = from % limits::systemPageBytes == position() % limits::systemPageBytes;
    const bool inSystemPays = length >= limits::systemCopyMinimumBytes && (samePlaceInPage || !syncedOnCommit);
    const uint64_t inSystem = inSystemPays ? copyInSystem(input, from, length, samePlaceInPage) : 0;
    return inSystem + copyThroughBlock(input, from + inSystem, length - inSystem);
}

// The bytes gathered so far go first, so that the output keeps its order. The span
// goes in parts of at most the largest step of room set aside, each into room set
// aside ahead, as written bytes are. A span at the same place within a page in both
// files goes by the system's copy from file to file, another through a pipe.
uint64_t OutputFile::copyInSystem(FILE* input, uint64_t from, uint64_t length, bool samePlaceInPage) {
    flushGathered();
    if (std::fflush(file) != 0) failWriting();
    uint64_t copied = 0;
    while (copied < length) {
        const uint64_t part = std::min(length - copied, limits::largestOutputRoomStep);
        setRoomAsideFor(bytesWritten, bytesWritten + part);
        const uint64_t done = samePlaceInPage ? platform::copyInSystem(input, from + copied, file, part)
                                              : platform::copyThroughPipe(input, from + copied, file, part);
        bytesWritten += done;
        copied += done;
        if (done < part) break;
    }
    return copied;
}

// A short span goes through a block of its own; a long one through the output's
// large block, made at the first such span and kept for the next.
uint64_t OutputFile::copyThroughBlock(FILE* input, uint64_t from, uint64_t length) {
    if (length == 0) return 0;
    std::vector<char> shortBlock;
    char* block = nullptr;
    size_t blockSize = 0;
    if (length <= limits::copyBlockBytes) {
        shortBlock.resize(static_cast<size_t>(length));
        block = shortBlock.data();
        blockSize = shortBlock.size();
    } else {
        if (!longBlock) longBlock = std::make_unique_for_overwrite<char[]>(limits::longCopyBlockBytes);
        block = longBlock.get();
        blockSize = limits::longCopyBlockBytes;
    }
    uint64_t copied = 0;
    while (copied < length) {
        const size_t read = platform::readAt(input, from + copied, block,
                                             static_cast<size_t>(std::min<uint64_t>(length - copied, blockSize)));
        if (read == 0) break;
        write(block, read);
        copied += read;
    }
    return copied;
}

// The output starts empty and only write() adds to it, so the count of bytes
// written is its position; asking the file would cost a system call per object.
uint64_t OutputFile::position() const { return bytesWritten; }

// The temporary file is readied (owner, mode, and for a replacement its data on
// the disk) while it is still open, then closed and renamed. A failure on the way
// leaves the file open and pending: abandon() closes and removes it.
void OutputFile::commit() {
    flushGathered();
    if (std::fflush(file) != 0) failWriting();
    if (roomEnd > bytesWritten) platform::releaseFileSpacePast(file, bytesWritten);
    std::string why;
    if (pending && !toStandardOutput && !platform::readyToReplace(file, destination, why))
        failWrite(message::cannotWrite(temporaryName, why));
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!closed) failWriting();
    if (!pending) return;
    if (toStandardOutput) {
        sendToStandardOutput();
        return;
    }
    if (!platform::replaceWithTemporary(temporaryName, destination, why))
        failWrite(message::cannotRename(temporaryName, destination, why));
    pending = false;
    platform::setPendingTemporary(nullptr);
}

// The complete output is read back from its temporary file, which then goes.
void OutputFile::sendToStandardOutput() {
    std::string why;
    FILE* complete = platform::openInputFile(temporaryName.c_str(), why);
    if (!complete) failWrite(message::cannotRead(temporaryName, why));
    std::unique_ptr<FILE, int (*)(FILE*)> closer(complete, std::fclose);
    std::vector<char> block(limits::copyBlockBytes);
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), complete)) > 0;)
        if (std::fwrite(block.data(), 1, got, stdout) != got)
            failWrite(message::cannotWriteStandardOutput(platform::lastError()));
    if (std::ferror(complete)) failWrite(message::cannotRead(temporaryName, platform::lastError()));
    if (std::fflush(stdout) != 0) failWrite(message::cannotWriteStandardOutput(platform::lastError()));
    closer.reset();
    abandon();
}

void OutputFile::abandon() {
    if (file) std::fclose(file);
    file = nullptr;
    if (!pending) return;
    platform::removeFile(temporaryName.c_str());
    platform::setPendingTemporary(nullptr);
    pending = false;
}
