#pragma once

#include <cstdint>

#include "xref/ObjectScan.h"

class CPdfElement;
class CPdfStream;
class CPdfXRef;
class XRefEntryTable;

// Whether the catalogue `number` (a dictionary) has a page tree under Pages: a
// dictionary with a Kids array. It is looked up as the rotation job looks it up,
// under the generation that its entry gives.
bool leadsToPageTree(CPdfXRef& xref, int32_t number);

// Turns what a scan of the whole file found into a cross-reference: the objects
// defined directly in the file, the objects of the object streams found (where no
// later direct definition replaces them), and a trailer. The trailer is the last
// trailer or cross-reference stream dictionary whose Root leads to a page tree;
// failing that, one made for the last catalogue that does, with the Info of the
// last trailer that has one.
class XRefRebuilder {
public:
    // `entries` and `trailer` are the cross-reference's own, which `xref` looks up
    // objects through while they are filled.
    XRefRebuilder(CPdfXRef& xref, CPdfStream& file, XRefEntryTable& entries, CPdfElement& trailer);

    // Throws "PDF file was damaged" when nothing leads to a page tree, and
    // "\nPDF file is encrypted" when the chosen trailer, or (for a made one) any
    // trailer found, refers to an encryption dictionary.
    void rebuild(ObjectScan& scan);

private:
    void addObjectStreams(ObjectScan& scan);
    void addObjectStream(const ObjectScan::Object& stream, ObjectScan& scan);
    bool chooseFoundTrailer(const ObjectScan& scan);
    void makeTrailer(const ObjectScan& scan);
    bool readDictionary(const ObjectScan::Dictionary& where, CPdfElement& dictionary);

    CPdfXRef& xref;
    CPdfStream& file;
    XRefEntryTable& entries;
    CPdfElement& trailer;
    bool anyTrailerEncrypted = false;
};
