#include "xref/PdfDocument.h"

#include <sys/types.h>

#include <cstring>

#include "model/PdfException.h"
#include "stream/PdfFileStream.h"
#include "xref/PdfXRef.h"

CPdfDocument::~CPdfDocument() {
    if (isOpen) close();
}

void CPdfDocument::open(const char* path) {
    file = std::fopen(path, "rb");
    if (!file) throw CPdfException("Can't open file");
    try {
        refuseHugeFile();
        stream = new CPdfFileStream(file, 0, 0, CPdfElement::null());
        findHeader();
        crossReference = new CPdfXRef();
        crossReference->load(stream);
    } catch (...) {
        close();
        throw;
    }
    isOpen = true;
}

void CPdfDocument::close() {
    delete crossReference;
    crossReference = nullptr;
    if (stream) stream->release();
    stream = nullptr;
    if (file) std::fclose(file);
    file = nullptr;
    isOpen = false;
}

// Offsets in this program are 32-bit: a file of 2 GiB or more would be misread.
void CPdfDocument::refuseHugeFile() {
    if (fseeko(file, 0, SEEK_END) != 0 || ftello(file) >= (off_t{1} << 31))
        throw CPdfException("\nPDF file is too large (2 GiB or more)");
}

// Bytes before "%PDF-" in the first 1023 bytes are skipped: from then on every
// offset of the file counts from the header.
void CPdfDocument::findHeader() {
    constexpr int probeSize = 1023;
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
