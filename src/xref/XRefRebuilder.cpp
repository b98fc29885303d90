#include "xref/XRefRebuilder.h"

#include <algorithm>
#include <cstring>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "parse/ValueSieve.h"
#include "stream/PdfStream.h"
#include "xref/Encryption.h"
#include "xref/EntryFetch.h"
#include "xref/PdfObjectStream.h"
#include "xref/PdfXRef.h"
#include "xref/XRefEntryTable.h"

namespace {

// What the probe reads of a catalogue and its page tree root: the Type, the Pages,
// and whether there are Kids. Their elements are read past, never kept.
class ProbeSieve : public ValueSieve {
public:
    bool keeps(std::string_view key) const override { return key == "Type" || key == "Pages" || key == "Kids"; }
    bool keepsElement(std::string_view, uint32_t, CPdfElement&) override { return false; }
};

bool isCatalogue(CPdfXRef& xref, int32_t number) {
    CPdfElement type;
    try {
        CPdfElement catalogue;
        if (number <= 0 || !xref.getEntries().find(number)) return false;
        ProbeSieve sieve;
        catalogue = fetchAtEntryGeneration(xref, number, &sieve);
        if (!catalogue.is(ElementType::Dictionary)) return false;
        catalogue.dictionary()->findRaw("Type", type);
    } catch (const CPdfException&) {
        return false;
    }
    return type.is(ElementType::Name) && std::strcmp(type.text(), "Catalog") == 0;
}

}  // namespace

PageTreeProbe::PageTreeProbe(CPdfXRef& xref) : xref(xref) {}

bool PageTreeProbe::leadsToPageTree(int32_t catalogue) {
    const auto known = catalogues.find(catalogue);
    if (known != catalogues.end()) return known->second;
    bool leads = false;
    try {
        leads = catalogueLeads(catalogue);
    } catch (const CPdfException&) {
        leads = false;  // a reference out of range, a stream that does not decode: no page tree here
    }
    catalogues.emplace(catalogue, leads);
    return leads;
}

bool PageTreeProbe::catalogueLeads(int32_t number) {
    if (number <= 0 || !xref.getEntries().find(number)) return false;
    ProbeSieve sieve;
    const CPdfElement catalogue = fetchAtEntryGeneration(xref, number, &sieve);
    CPdfElement reference;
    if (!catalogue.is(ElementType::Dictionary)) return false;
    catalogue.dictionary()->findRaw("Pages", reference);
    if (!reference.is(ElementType::Reference)) return isPageTree(reference);
    const auto known = pageTrees.find(reference.refNum());
    if (known != pageTrees.end()) return known->second;
    CPdfElement pages;
    catalogue.dictionary()->find("Pages", pages, &sieve);
    const bool leads = isPageTree(pages);
    pageTrees.emplace(reference.refNum(), leads);
    return leads;
}

// A dictionary with Kids, which are not fetched here: the walk reads them.
bool PageTreeProbe::isPageTree(const CPdfElement& node) {
    if (!node.is(ElementType::Dictionary)) return false;
    CPdfElement kids;
    node.dictionary()->findRaw("Kids", kids);
    return kids.is(ElementType::Array) || kids.is(ElementType::Reference);
}

XRefRebuilder::XRefRebuilder(CPdfXRef& xref, CPdfStream& file, XRefEntryTable& entries, CPdfElement& trailer)
    : xref(xref), file(file), entries(entries), trailer(trailer), probe(xref) {}

void XRefRebuilder::rebuild(ObjectScan& scan) {
    if (!scan.foundObject) throw CPdfException(FailureKind::Damaged, message::damaged);
    entries.adoptRebuilt(std::move(scan.entries));
    openEncryption(scan);
    addObjectStreams(scan);
    entries.finish();
    if (!chooseFoundTrailer(scan)) makeTrailer(scan);
    keepEncryption();
}

// With a password, the newest trailer found that names an encryption dictionary
// opens the file before any object stream is read: their data is encrypted.
// Without one, an encrypted trailer is refused only once it is chosen.
void XRefRebuilder::openEncryption(const ObjectScan& scan) {
    if (!xref.encryption().hasPassword()) return;
    for (auto candidate = scan.trailers.rbegin(); candidate != scan.trailers.rend(); ++candidate) {
        CPdfElement dictionary, encrypt;
        if (!readDictionary(*candidate, dictionary)) continue;
        dictionary.dictionary()->findRaw("Encrypt", encrypt);
        if (!namesEncryption(encrypt)) continue;
        if (!xref.encryption().security())
            xref.encryption().unlock(xref, *dictionary.dictionary(), {candidate->start, false});
        encryptionTrailer.takeFrom(dictionary);
        return;
    }
}

// The trailer of a repaired encrypted file names its encryption and ID even when
// the one chosen, or made, lacks them.
void XRefRebuilder::keepEncryption() {
    if (!encryptionTrailer.is(ElementType::Dictionary)) return;
    for (const char* key : {"Encrypt", "ID"}) {
        CPdfElement present, kept;
        trailer.dictionary()->findRaw(key, present);
        encryptionTrailer.dictionary()->findRaw(key, kept);
        if (present.is(ElementType::Null) && !kept.is(ElementType::Null)) trailer.dictionary()->add(key, kept);
    }
}

void XRefRebuilder::addObjectStreams(ObjectScan& scan) {
    for (const ObjectScan::Object& stream : scan.objectStreams) {
        if (!xref.objectStreams().workLeft()) return;  // the decoding budget is spent: the rest stay unread
        // A stream replaced by a later object of its number cannot be looked up.
        const uint64_t* definedAt = scan.definedAt.find(stream.number);
        const XRefEntry* entry = entries.find(stream.number);
        if (!definedAt || *definedAt != stream.position || !entry || entry->type != XRefEntryType::Uncompressed)
            continue;
        try {
            addObjectStream(stream, scan);
        } catch (const CPdfException&) {
            // An object stream that does not decode holds nothing that can be recovered.
        }
    }
}

// Each object of the stream counts as defined where the stream is, unless a later
// definition of its number was found. Only the stream's header is read here.
void XRefRebuilder::addObjectStream(const ObjectScan::Object& stream, ObjectScan& scan) {
    const std::vector<int32_t> numbers = readObjectStreamNumbers(&xref, stream.number);
    for (size_t index = 0; index < numbers.size(); ++index) {
        const int32_t number = numbers[index];
        if (number <= 0 || !entries.canHold(int64_t{number} + 1) || number == stream.number) continue;
        const uint64_t* definedAt = scan.definedAt.find(number);
        if (definedAt && *definedAt > stream.position) continue;
        const XRefEntry entry{stream.number, static_cast<int32_t>(index), XRefEntryType::Compressed};
        if (!entries.replace(number, entry)) continue;
        scan.definedAt.at(number) = stream.position;
        packed.push_back({number, stream.position, static_cast<int32_t>(index)});
    }
}

bool XRefRebuilder::readDictionary(const ObjectScan::Dictionary& where, CPdfElement& dictionary) {
    try {
        CPdfParser parser(nullptr, file.openWindow(where.start, where.end - where.start, CPdfElement::null()));
        parser.parseObject(dictionary);
    } catch (const CPdfException&) {
        return false;
    }
    return dictionary.is(ElementType::Dictionary);
}

// The newest trailer whose Root leads to a page tree; older ones are read only
// while none has been found.
bool XRefRebuilder::chooseFoundTrailer(const ObjectScan& scan) {
    for (auto candidate = scan.trailers.rbegin(); candidate != scan.trailers.rend(); ++candidate) {
        CPdfElement dictionary, root, encrypt;
        if (!readDictionary(*candidate, dictionary)) continue;
        dictionary.dictionary()->findRaw("Encrypt", encrypt);
        if (namesEncryption(encrypt)) anyTrailerEncrypted = true;
        dictionary.dictionary()->findRaw("Root", root);
        if (!root.is(ElementType::Reference) || !probe.leadsToPageTree(root.refNum())) continue;
        trailer.takeFrom(dictionary);
        chosen = &*candidate;
        return true;
    }
    return false;
}

// A trailer for the last catalogue that leads to a page tree, with the Info of the
// newest trailer that names one. The objects of object streams are looked at only
// here, in file order from the last, so that each stream is decoded once.
void XRefRebuilder::makeTrailer(const ObjectScan& scan) {
    if (anyTrailerEncrypted && !xref.encryption().security()) refuseEncryptedFile();
    std::vector<Definition> candidates = packed;
    for (const ObjectScan::Object& catalogue : scan.catalogues)
        candidates.push_back({catalogue.number, catalogue.position, 0});
    std::sort(candidates.begin(), candidates.end(), [](const Definition& a, const Definition& b) {
        return a.position != b.position ? a.position < b.position : a.index < b.index;
    });
    for (auto candidate = candidates.rbegin(); candidate != candidates.rend(); ++candidate) {
        const uint64_t* definedAt = scan.definedAt.find(candidate->number);
        if (!definedAt || *definedAt != candidate->position) continue;  // replaced by a later definition
        if (!isCatalogue(xref, candidate->number) || !probe.leadsToPageTree(candidate->number)) continue;
        trailer.makeDictionary(nullptr);
        CPdfElement root;
        root.setReference(entryObjectId(xref, candidate->number));
        trailer.dictionary()->add("Root", root);
        addNewestInfo(scan);
        return;
    }
    throw CPdfException(FailureKind::Damaged, message::damaged);
}

void XRefRebuilder::addNewestInfo(const ObjectScan& scan) {
    for (auto found = scan.trailers.rbegin(); found != scan.trailers.rend(); ++found) {
        CPdfElement dictionary, info;
        if (!readDictionary(*found, dictionary)) continue;
        dictionary.dictionary()->findRaw("Info", info);
        if (!info.is(ElementType::Reference)) continue;
        trailer.dictionary()->add("Info", info);
        return;
    }
}
