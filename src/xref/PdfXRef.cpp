#include "xref/PdfXRef.h"

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "stream/PdfStream.h"
#include "stream/PdfFileStream.h"
#include "crypt/StandardSecurity.h"
#include "xref/EntryCheck.h"
#include "xref/Encryption.h"
#include "xref/ObjectScan.h"
#include "xref/SievedFetch.h"
#include "xref/PdfObjectStream.h"
#include "xref/StreamEndSearch.h"
#include "xref/XRefRebuilder.h"
#include "xref/XRefSectionReader.h"

CPdfXRef::CPdfXRef() = default;
CPdfXRef::~CPdfXRef() = default;

void CPdfXRef::prepare(CPdfStream* stream) {
    file = stream;
    auto* fileStream = dynamic_cast<CPdfFileStream*>(file);
    blocks = fileStream ? &fileStream->blockCache() : nullptr;
    base = stream->windowStart();
    file->seek(0, 2);
    fileSize = file->tell();
    streams.setBudgetFor(fileSize);
    entries.setFileSize(fileSize);
}

void CPdfXRef::load(CPdfStream* stream) {
    prepare(stream);
    XRefSectionReader sections(*file, base, entries, trailer);
    sections.readChain();
    newest = sections.newestSection();
    trailerText = newestTrailerPlace();
    crossReferenceStreams = sections.crossReferenceStreams();
    trailer.dictionary()->setXRef(this);  // an encrypted file's ID may be a reference
    readTrailerReferences();
}

void CPdfXRef::loadOrRebuild(CPdfFileStream* stream) {
    prepare(stream);
    handle = stream->fileHandle();
    mode = ReadMode::Recovering;
    recovered.streamEnds = std::make_unique<StreamEndSearch>(handle, fileSize);
    if (loadsSoundly()) {
        readTrailerReferences();
        trailer.dictionary()->setXRef(this);
        return;
    }
    rebuild();
}

// The sections read leniently, the trailer's Root a reference that leads to a page
// tree, and every entry at its object. Without a password an encrypted file is
// refused here already; with one, a file whose entries are sound is opened here.
bool CPdfXRef::loadsSoundly() {
    try {
        XRefSectionReader reader(*file, base, entries, trailer, true);
        reader.readChain();
        recovered.lenientTables = reader.skippedJunk();
        newest = reader.newestSection();
        trailerText = newestTrailerPlace();
        crossReferenceStreams = reader.crossReferenceStreams();
    } catch (const CPdfException&) {
        return false;
    }
    CPdfDictionary& dictionary = *trailer.dictionary();
    CPdfElement encrypt, rootReference;
    dictionary.findRaw("Root", rootReference);
    sectionsComplete = rootReference.is(ElementType::Reference);  // as load() has it when it meets Encrypt
    dictionary.findRaw("Encrypt", encrypt);
    if (namesEncryption(encrypt) && !fileEncryption.hasPassword()) refuseEncryptedFile();
    if (!entriesPointAtTheirObjects(handle, fileSize, base, entries)) return false;
    dictionary.setXRef(this);
    if (namesEncryption(encrypt)) unlockEncryption(dictionary, newestTrailerPlace());
    return rootReference.is(ElementType::Reference) && PageTreeProbe(*this).leadsToPageTree(rootReference.refNum());
}

void CPdfXRef::rebuild() {
    if (!handle)
        throw CPdfException(FailureKind::Damaged,
                            message::damaged);  // loaded without the file's handle: nothing to scan
    streams.forget();
    objectExtents.forget();
    entries = XRefEntryTable();
    entries.setFileSize(fileSize);
    trailer.clear();
    root = info = ObjectId{};
    newest = NewestSection{};
    trailerText.reset();
    crossReferenceStreams.clear();
    sectionsComplete = false;
    recovered.lenientTables = false;
    ObjectScan scan = scanObjects(handle, fileSize, base);
    XRefRebuilder rebuilder(*this, *file, entries, trailer);
    rebuilder.rebuild(scan);
    if (rebuilder.chosenTrailer()) trailerText = TrailerPlace{rebuilder.chosenTrailer()->start, false};
    recovered.rebuilt = true;
    recovered.firstObject = scan.firstObject - base;
    readTrailerReferences();
    trailer.dictionary()->setXRef(this);
}

void CPdfXRef::readTrailerReferences() {
    const CPdfDictionary& dictionary = *trailer.dictionary();
    CPdfElement value;
    dictionary.findRaw("Root", value);
    if (!value.is(ElementType::Reference)) throw CPdfException(FailureKind::Damaged, message::damaged);
    root = {value.refNum(), value.refGen()};
    sectionsComplete = true;
    value.clear();
    dictionary.findRaw("Info", value);
    if (value.is(ElementType::Reference)) info = {value.refNum(), value.refGen()};
    value.clear();
    dictionary.findRaw("Encrypt", value);
    if (namesEncryption(value) && !fileEncryption.security()) unlockEncryption(dictionary, newestTrailerPlace());
}

TrailerPlace CPdfXRef::newestTrailerPlace() const { return {base + newest.offset, !newest.isStream}; }

void CPdfXRef::unlockEncryption(const CPdfDictionary& trailerDictionary, TrailerPlace place) {
    fileEncryption.unlock(*this, trailerDictionary, place);
}

namespace {

class FetchDepthGuard {
public:
    explicit FetchDepthGuard(int& depth) : depth(depth) {
        if (++depth > limits::maximumFetchDepth) {
            --depth;
            throw CPdfException(FailureKind::Damaged, message::damaged);
        }
    }
    ~FetchDepthGuard() { --depth; }

private:
    int& depth;
};

}  // namespace

void CPdfXRef::fetchObject(int32_t number, int32_t generation, CPdfElement& out, ValueSieve* sieve) {
    if (number >= entries.numberBound() && entries.isDeclared(number)) {
        out.setNull();  // below the declared Size, listed by no section: a free object
        return;
    }
    const XRefEntry* found = entries.find(number);
    if (!found) throw CPdfException(FailureKind::Damaged, message::corrupted);
    const XRefEntry entry = *found;
    FetchDepthGuard guard(fetchDepth);
    switch (entry.type) {
    case XRefEntryType::Uncompressed:
        fetchUncompressed(number, generation, entry, out, sieve);
        return;
    case XRefEntryType::Compressed:
        if (generation != 0) out.setNull();
        else streams.fetch(entry.number(), entry.gen, number, out, sieve);
        return;
    default:
        out.setNull();
        return;
    }
}

void CPdfXRef::fetchUncompressed(int32_t number, int32_t generation, const XRefEntry& entry, CPdfElement& out,
                                 ValueSieve* sieve) {
    if (generation != entry.gen) {
        out.setNull();
        return;
    }
    const uint64_t offset = entry.position(base);
    if (sieve && sievedFromFirstBytes && fetchSievedFromFile(*this, offset, number, generation, *sieve, out)) return;
    CPdfParser parser(this, file->openWindow(offset, 0, CPdfElement::null()));
    if (mode == ReadMode::Recovering) parser.recoverUnclosedContainers();
    parser.recoverStreamEnds(recovered.streamEndFinder());
    if (const StandardSecurity* security = fileEncryption.security())
        parser.decryptStreamsWith(security, {number, generation});
    CPdfElement headerNumber, headerGeneration, keyword;
    parser.parseObject(headerNumber);
    parser.parseObject(headerGeneration);
    parser.parseObject(keyword);
    const bool matches = headerNumber.is(ElementType::Integer) && headerNumber.integer() == number &&
                         headerGeneration.is(ElementType::Integer) && headerGeneration.integer() == generation &&
                         keyword.isKeyword("obj");
    if (!matches) out.setNull();
    else if (sieve) parser.parseObject(out, *sieve);
    else parser.parseObject(out);
    if (parser.closedOpenContainers()) recovered.containersClosedIn.insert(number);
}

const uint8_t* CPdfXRef::getRawObject(int32_t number, int32_t generation, int32_t& length) {
    const XRefEntry* found = entries.find(number);
    if (!found) throw CPdfException(FailureKind::Damaged, message::corrupted);
    if (generation != 0) return nullptr;
    const XRefEntry entry = *found;
    FetchDepthGuard guard(fetchDepth);
    return streams.rawText(entry.number(), entry.gen, number, length);
}
