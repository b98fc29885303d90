#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/PdfElement.h"
#include "xref/ObjectScan.h"

class CPdfStream;
class CPdfXRef;
class XRefEntryTable;

// Whether catalogues lead to page trees: a dictionary whose Pages is a dictionary
// with Kids. A catalogue is looked up as the rotation job looks it up, under the
// generation that its entry gives. Answers are remembered by object number, so that
// the many trailers of a file that name one catalogue, or catalogues that share one
// page tree, cost one look each.
class PageTreeProbe {
public:
    explicit PageTreeProbe(CPdfXRef& xref);
    bool leadsToPageTree(int32_t catalogue);

private:
    bool catalogueLeads(int32_t number);
    static bool isPageTree(const CPdfElement& node);

    CPdfXRef& xref;
    std::unordered_map<int32_t, bool> catalogues;
    std::unordered_map<int32_t, bool> pageTrees;
};

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

    // Throws "PDF file was damaged" when nothing leads to a page tree, and, without
    // a password, "\nPDF file is encrypted" when the chosen trailer, or (for a made
    // one) any trailer found, refers to an encryption dictionary. With a password
    // the file is opened as its newest encrypted trailer says.
    void rebuild(ObjectScan& scan);
    // After rebuild: the trailer found that became the cross-reference's, or none when one was made.
    const ObjectScan::Dictionary* chosenTrailer() const { return chosen; }

private:
    void openEncryption(const ObjectScan& scan);
    void keepEncryption();
    void addObjectStreams(ObjectScan& scan);
    void addObjectStream(const ObjectScan::Object& stream, ObjectScan& scan);
    bool chooseFoundTrailer(const ObjectScan& scan);
    void makeTrailer(const ObjectScan& scan);
    void addNewestInfo(const ObjectScan& scan);
    bool readDictionary(const ObjectScan::Dictionary& where, CPdfElement& dictionary);

    CPdfXRef& xref;
    CPdfStream& file;
    XRefEntryTable& entries;
    CPdfElement& trailer;
    // An object found in an object stream: where the stream is, and its index there.
    struct Definition {
        int32_t number;
        uint64_t position;
        int32_t index;
    };

    PageTreeProbe probe;
    std::vector<Definition> packed;
    bool anyTrailerEncrypted = false;
    CPdfElement encryptionTrailer;  // the trailer whose encryption opened the file
    const ObjectScan::Dictionary* chosen = nullptr;
};
