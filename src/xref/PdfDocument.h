#pragma once

#include "xref/ObjectExtent.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "model/RetainPtr.h"
#include "stream/PdfFileStream.h"

class CPdfXRef;

// What the last open made of the file's cross-reference: read as its sections
// give it, found damaged (the open failed there), or rebuilt from the objects in
// the file (by a repairing open). Only a sound one can be extended by an update.
enum class CrossReferenceState {
    Unread,
    Sound,
    Damaged,
    Rebuilt,
};

// One open input PDF file: its handle, the stream over the whole file and the
// loaded cross-reference. A failed open leaves the document closed and reusable.
class CPdfDocument {
public:
    CPdfDocument() = default;
    CPdfDocument(const CPdfDocument&) = delete;
    CPdfDocument& operator=(const CPdfDocument&) = delete;
    virtual ~CPdfDocument();

    // Recovering, a cross-reference that cannot be used is rebuilt by scanning the
    // file (CPdfXRef::loadOrRebuild), and damaged objects are read as other readers
    // recover them. An encrypted file opens only with a `password` that opens it
    // (the empty one included).
    void open(const char* path, ReadMode mode = ReadMode::Strict,
              const std::optional<std::string>& password = std::nullopt);
    // The same over a file that the caller has opened and keeps: the document reads
    // it but does not close it, so that every read of the job sees the one file.
    void open(FILE* input, ReadMode mode = ReadMode::Strict, const std::optional<std::string>& password = std::nullopt);
    // For an open document whose cross-reference leads to no page tree that can be
    // walked: rebuilds it by scanning the file (CPdfXRef::rebuild).
    void rebuildCrossReference();
    void close();

    bool isOpen = false;
    CPdfXRef* xref() const { return crossReference.get(); }
    // Kept after close and after a failed open, for the caller to explain the failure.
    CrossReferenceState crossReferenceState() const { return state; }

private:
    void load(ReadMode mode, const std::optional<std::string>& password);
    void refuseHugeFile();
    void findHeader();

    FILE* file = nullptr;
    bool ownsFile = false;
    RetainPtr<CPdfFileStream> stream;
    std::unique_ptr<CPdfXRef> crossReference;
    CrossReferenceState state = CrossReferenceState::Unread;
};
