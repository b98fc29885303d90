#pragma once

#include <cstdio>
#include <memory>

#include "model/RetainPtr.h"
#include "stream/PdfFileStream.h"

class CPdfXRef;

// One open input PDF file: its handle, the stream over the whole file and the
// loaded cross-reference. A failed open leaves the document closed and reusable.
class CPdfDocument {
public:
    CPdfDocument() = default;
    CPdfDocument(const CPdfDocument&) = delete;
    CPdfDocument& operator=(const CPdfDocument&) = delete;
    virtual ~CPdfDocument();

    // With `repair`, a cross-reference that cannot be used is rebuilt by scanning
    // the file (CPdfXRef::loadOrRebuild).
    void open(const char* path, bool repair = false);
    void close();

    bool isOpen = false;
    CPdfXRef* xref() const { return crossReference.get(); }

private:
    void refuseHugeFile();
    void findHeader();

    FILE* file = nullptr;
    RetainPtr<CPdfFileStream> stream;
    std::unique_ptr<CPdfXRef> crossReference;
};
