#include "app/InputSpool.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"

InputSpool::InputSpool() {
    const std::string folder = platform::temporaryFolder();
    std::string why;
    FILE* spool = platform::createTemporaryIn(folder, spoolName, why, platform::PendingFile::InputSpool);
    if (!spool) fail(message::cannotCreateTemporaryIn(folder, why));
    try {
        std::unique_ptr<FILE, int (*)(FILE*)> closer(spool, std::fclose);
        copyStandardInput(spool);
        if (std::fclose(closer.release()) != 0) fail(message::cannotWrite(spoolName, platform::lastError()));
    } catch (...) {
        remove();  // closed first: Windows removes no open file
        throw;
    }
}

InputSpool::~InputSpool() { remove(); }

void InputSpool::remove() {
    if (spoolName.empty()) return;
    platform::removeFile(spoolName.c_str());
    platform::setPendingTemporary(nullptr, platform::PendingFile::InputSpool);
    spoolName.clear();
}

void InputSpool::fail(const std::string& reason) {
    throw CPdfException(FailureKind::Input, message::inputOpenError(platform::standardStreamName, reason));
}

// An input past the largest the job reads is copied only that far: the job then
// refuses it as too large, and the disk is not filled with the rest.
void InputSpool::copyStandardInput(FILE* spool) {
    std::vector<char> block(limits::copyBlockBytes);
    uint64_t copied = 0;
    for (size_t got; copied <= uint64_t{limits::maximumInputBytes} &&
                     (got = std::fread(block.data(), 1, block.size(), stdin)) > 0;) {
        if (std::fwrite(block.data(), 1, got, spool) != got)
            fail(message::cannotWrite(spoolName, platform::lastError()));
        copied += got;
    }
    if (std::ferror(stdin)) fail(message::cannotReadStandardInput(platform::lastError()));
}
