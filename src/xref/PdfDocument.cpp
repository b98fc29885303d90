#include "xref/PdfDocument.h"

#include <cstring>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "platform/Platform.h"
#include "stream/PdfFileStream.h"
#include "xref/PdfXRef.h"

CPdfDocument::~CPdfDocument() {
    if (isOpen) close();
}

void CPdfDocument::open(const char* path, ReadMode mode, const std::optional<std::string>& password) {
    state = CrossReferenceState::Unread;
    std::string why;
    file = platform::openInputFile(path, why);
    if (!file) throw CPdfException(FailureKind::Input, message::cantOpenFile);
    ownsFile = true;
    load(mode, password);
}

void CPdfDocument::open(FILE* input, ReadMode mode, const std::optional<std::string>& password) {
    state = CrossReferenceState::Unread;
    file = input;
    ownsFile = false;
    load(mode, password);
}

void CPdfDocument::load(ReadMode mode, const std::optional<std::string>& password) {
    try {
        refuseHugeFile();
        stream = makeRetained<CPdfFileStream>(file, 0, 0, CPdfElement::null());
        findHeader();
        crossReference = std::make_unique<CPdfXRef>();
        crossReference->encryption().usePassword(password);
        if (mode == ReadMode::Recovering) crossReference->loadOrRebuild(stream.get());
        else crossReference->load(stream.get());
    } catch (...) {
        if (crossReference)
            state = crossReference->sectionsRead() ? CrossReferenceState::Sound : CrossReferenceState::Damaged;
        close();
        throw;
    }
    state = crossReference->recovery().wasRebuilt() ? CrossReferenceState::Rebuilt : CrossReferenceState::Sound;
    isOpen = true;
}

void CPdfDocument::rebuildCrossReference() {
    state = CrossReferenceState::Damaged;
    crossReference->rebuild();
    state = CrossReferenceState::Rebuilt;
}

void CPdfDocument::close() {
    crossReference.reset();
    stream.reset();
    if (file && ownsFile) std::fclose(file);
    file = nullptr;
    ownsFile = false;
    isOpen = false;
}

void CPdfDocument::refuseHugeFile() {
    if (platform::seekFile(file, 0, SEEK_END) != 0 || platform::tellFile(file) >= limits::maximumInputBytes)
        throw CPdfException(FailureKind::Limits, message::fileTooLarge);
}

// Bytes before "%PDF-" in the first 1023 bytes are skipped: from then on every
// offset of the file counts from the header.
void CPdfDocument::findHeader() {
    constexpr int probeSize = limits::headerProbeBytes;
    unsigned char probe[probeSize + 1];
    for (int i = 0; i < probeSize; ++i) {
        const int c = stream->readByte();
        probe[i] = c < 0 ? 0xFF : static_cast<unsigned char>(c);
    }
    probe[probeSize] = 0;
    static const char header[] = "%PDF-";
    for (int i = 0; i <= probeSize - 6; ++i) {
        if (std::memcmp(probe + i, header, 5) == 0) {
            stream->shiftWindow(i);
            return;
        }
    }
    stream->rewind();
}
