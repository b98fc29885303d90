// An incremental update (ISO 32000, 7.5.6): the input's bytes as they are, then
// the rewritten page objects and a cross-reference section whose Prev continues
// the input's chain.
#include "output/IncrementalUpdate.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string_view>

#include "crypt/StandardSecurity.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "output/HeldBodies.h"
#include "output/OutputFile.h"
#include "output/PageRevisions.h"
#include "output/UpdateChecks.h"
#include "output/UpdateEncoding.h"
#include "output/WrittenObjects.h"
#include "output/XRefWriter.h"
#include "platform/Platform.h"
#include "rawtext/RawObject.h"
#include "rawtext/TrailerText.h"
#include "xref/PdfXRef.h"

namespace {

// Keys that describe the section they stand in, or its stream, rather than the
// document: the update writes its own.
constexpr std::string_view sectionKeys[] = {"Size",   "Prev",        "XRefStm", "Type",    "Length",
                                            "Filter", "DecodeParms", "F",       "FFilter", "FDecodeParms",
                                            "DL",     "W",           "Index"};

bool carriesOver(const std::string& key) {
    return std::find(std::begin(sectionKeys), std::end(sectionKeys), key) == std::end(sectionKeys);
}

std::string carriedEntries(const TrailerText& trailer) {
    std::string carried;
    for (const DictionaryEntry& entry : trailer.entries)
        if (carriesOver(entry.key)) carried.append(trailer.text, entry.start, entry.end - entry.start);
    return carried;
}

uint32_t declaredSize(const CPdfXRef& xref) {
    CPdfElement size;
    xref.trailerDictionary().dictionary()->findRaw("Size", size);
    return size.is(ElementType::Integer) && size.integer() > 0 ? static_cast<uint32_t>(size.integer()) : 0;
}

}  // namespace

UpdateBase readUpdateBase(const CPdfXRef& xref, uint64_t inputSize) {
    const NewestSection& newest = xref.newestSection();
    TrailerText trailer;
    if (!readTrailerText(*xref.blockCache(), xref.baseOffset() + newest.offset, newest.isStream, inputSize, trailer))
        throw CPdfException(FailureKind::UpdateRefused, message::updateRefused(message::updateTrailerUnreadable));
    UpdateBase base;
    base.prev = newest.offset;
    base.streamSection = newest.isStream;
    base.size = std::max(declaredSize(xref), static_cast<uint32_t>(xref.getEntries().numberBound()));
    base.carriedEntries = carriedEntries(trailer);
    base.encrypted = xref.encryption().security() != nullptr;
    return base;
}

bool copyInput(OutputFile& output, FILE* input, uint64_t inputSize) {
    // The offsets of the update were found in the input as it was opened.
    if (output.copyFrom(input, inputSize) != inputSize)
        throw CPdfException(FailureKind::Input, message::inputReadError);
    char last = 0;
    if (inputSize == 0 || platform::readAt(input, inputSize - 1, &last, 1) != 1) return false;
    return last == '\n' || last == '\r';
}

namespace {

void writeTail(OutputFile& output, uint64_t sectionOffset) {
    output.writeFramed("startxref\n", sectionOffset, "\n%%EOF\n");
}

void writeRevised(OutputFile& output, const RevisedObject& object, WrittenObjects& written) {
    written.add(object.number, object.generation, output.position());
    output.write(object.text);
}

// Runs of consecutive object numbers, each a subsection of the table.
void writeTableEntries(OutputFile& output, const WrittenObjects& objects) {
    char entry[20];
    for (size_t first = 0; first < objects.size();) {
        size_t end = first + 1;
        while (end < objects.size() && objects.number(end) == objects.number(end - 1) + 1) ++end;
        output.writeFramed("", objects.number(first), " ");
        output.writeFramed("", static_cast<int64_t>(end - first), "\n");
        for (size_t i = first; i < end; ++i) {
            formatEntry(entry, objects.offset(i), static_cast<uint32_t>(objects.generation(i)), true);
            output.write(entry, sizeof entry);
        }
        first = end;
    }
}

// A classic table and trailer after the objects, as the input's newest section is one.
void writeClassicTable(OutputFile& output, const UpdateBase& base, const WrittenObjects& objects) {
    const uint64_t table = output.position();
    output.write("xref\n");
    writeTableEntries(output, objects);
    output.write("trailer\n<<");
    output.write(base.carriedEntries);
    output.writeFramed("\n/Size ", base.size, "");
    output.writeFramed("\n/Prev ", base.prev, "\n>>\n");
    writeTail(output, table);
}

std::string updateXRefStreamEntries(const EncodedXRefStream& encoded, const UpdateBase& base, uint32_t size) {
    return xrefStreamEntries(encoded, size) + base.carriedEntries + "\n/Prev " + std::to_string(base.prev);
}

// The objects that an object stream can hold go into one new object stream,
// numbered `nextNumber`; the others (another generation) are written as they are.
// In an encrypted file every object is written as it is: its strings are
// encrypted with its own key already. Gives their entries for the section.
std::vector<StreamEntry> writeObjects(OutputFile& output, const std::vector<RevisedObject>& revised,
                                      int64_t& nextNumber, bool packable) {
    std::vector<ObjectStreamMember> members;
    std::vector<const RevisedObject*> ordinary;
    for (const RevisedObject& object : revised) {
        const auto body = packable ? objectStreamBody(object) : std::nullopt;
        if (body) members.push_back({object.number, *body});
        else ordinary.push_back(&object);
    }
    std::vector<StreamEntry> entries;
    if (!members.empty()) {
        const int32_t streamNumber = static_cast<int32_t>(nextNumber++);
        entries.push_back({streamNumber, 1, output.position(), 0});
        const EncodedObjectStream encoded = encodeObjectStream(members);
        writeStreamObject(output, streamNumber, objectStreamEntries(encoded.count, encoded.first),
                          deflateBytes(encoded.data));
        for (size_t i = 0; i < members.size(); ++i)
            entries.push_back({members[i].number, 2, static_cast<uint32_t>(streamNumber), static_cast<uint32_t>(i)});
    }
    for (const RevisedObject* object : ordinary) {
        entries.push_back({object->number, 1, output.position(), static_cast<uint32_t>(object->generation)});
        output.write(object->text);
    }
    return entries;
}

// After the objects: a cross-reference stream that lists them and itself.
void writeStreamTable(OutputFile& output, const UpdateBase& base, std::vector<StreamEntry> entries,
                      int64_t nextNumber) {
    const int32_t xrefNumber = static_cast<int32_t>(nextNumber++);
    if (nextNumber > limits::maximumEntries)
        throw CPdfException(FailureKind::UpdateRefused, message::updateRefused(message::updateNoObjectNumberLeft));
    const uint64_t xrefOffset = output.position();
    entries.push_back({xrefNumber, 1, xrefOffset, 0});
    const EncodedXRefStream encoded = encodeXRefStream(std::move(entries));
    writeStreamObject(output, xrefNumber, updateXRefStreamEntries(encoded, base, static_cast<uint32_t>(nextNumber)),
                      deflateBytes(encoded.rows));
    writeTail(output, xrefOffset);
}

// The objects, then a cross-reference stream that lists them and itself, as the
// input's newest section is a stream. New objects take the numbers from Size on.
void writeStreamSection(OutputFile& output, const UpdateBase& base, const std::vector<RevisedObject>& revised) {
    int64_t nextNumber = base.size;
    std::vector<StreamEntry> entries = writeObjects(output, revised, nextNumber, !base.encrypted);
    writeStreamTable(output, base, std::move(entries), nextNumber);
}

}  // namespace

namespace {

// An update with a classic table, whichever way its objects come: each written as
// it comes (a line end first when the input lacks one), then a table of them and
// the trailer, made from the input's newest one once the objects are out. Pages
// revised in turn are written as they are edited: no page's text is held for the others.
template <class EachRevised>
size_t writeClassicUpdate(OutputFile& output, const CPdfXRef& xref, uint64_t inputSize, bool inputEndsWithLineEnd,
                          EachRevised eachRevised) {
    WrittenObjects written;
    eachRevised([&](const RevisedObject& object) {
        if (written.empty() && !inputEndsWithLineEnd) output.write("\n");
        writeRevised(output, object, written);
    });
    if (written.empty()) return 0;
    writeClassicTable(output, readUpdateBase(xref, inputSize), written);
    return written.size();
}

}  // namespace

namespace {

// What the first reading of the pages found for an update in streams: the members
// of the object stream (each one's number and the size of its body with the line
// feed after it), the size of the stream's header that lists them, the bodies of
// the first members, held as far as they fit, and the pages that go out as ordinary
// objects, which are few (another generation) and held.
struct PackedPlan {
    std::vector<int32_t> members;
    std::vector<uint32_t> bodySizes;
    size_t headerBytes = 0;
    size_t bodyBytes = 0;
    HeldBodies held{limits::heldUpdateBodyBytes};
    std::vector<RevisedObject> ordinary;
};

size_t decimalDigits(uint64_t value) {
    size_t digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

size_t selectedListings(const std::vector<const PageRecord*>& listings) {
    return static_cast<size_t>(
        std::count_if(listings.begin(), listings.end(), [](const PageRecord* page) { return page->selected; }));
}

PackedPlan planPackedUpdate(const RawObjectReader& reader, const std::vector<const PageRecord*>& listings,
                            const WalkedNodes& walkedNodes, bool packable) {
    PackedPlan plan;
    // Room for every selected page at once (only what is filled is touched).
    plan.members.reserve(selectedListings(listings));
    plan.bodySizes.reserve(plan.members.capacity());
    reviseListedPages(reader, listings, walkedNodes, [&](RevisedObject&& page) {
        const auto body = packable ? objectStreamBody(page) : std::nullopt;
        if (!body) {
            plan.ordinary.push_back(std::move(page));
            return;
        }
        // "number offset", then a space before the next pair or the line feed after the last.
        plan.headerBytes += decimalDigits(static_cast<uint32_t>(page.number)) + 1 + decimalDigits(plan.bodyBytes) + 1;
        plan.members.push_back(page.number);
        plan.bodySizes.push_back(static_cast<uint32_t>(body->size() + 1));
        plan.bodyBytes += body->size() + 1;
        plan.held.add(*body);
    });
    return plan;
}

// The object stream's header, made from the plan as it goes to the compressor.
void addHeader(StreamDeflater& deflater, const PackedPlan& plan) {
    char pair[48];
    size_t offset = 0;
    for (size_t i = 0; i < plan.members.size(); ++i) {
        char* end = std::to_chars(pair, pair + 20, plan.members[i]).ptr;
        *end++ = ' ';
        end = std::to_chars(end, end + 20, offset).ptr;
        *end++ = i + 1 == plan.members.size() ? '\n' : ' ';
        deflater.add(std::string_view(pair, static_cast<size_t>(end - pair)));
        offset += plan.bodySizes[i];
    }
}

// The members' bodies, compressed as they come, in the data that encodeObjectStream
// and deflateBytes would give for them held: those the plan holds, then the rest
// read a second time. The pages read as the first reading read them (the input is
// the one the job opened).
PackedBytes packMembers(const RawObjectReader& reader, const std::vector<const PageRecord*>& listings,
                        const WalkedNodes& walkedNodes, const PackedPlan& plan) {
    StreamDeflater deflater(StreamDeflater::fastestLevel, plan.headerBytes + plan.bodyBytes);
    addHeader(deflater, plan);
    size_t next = 0;
    size_t bodyBytes = 0;
    const auto addMember = [&](std::string_view body) {
        if (body.size() + 1 != plan.bodySizes[next]) throw CPdfException(FailureKind::Input, message::inputReadError);
        ++next;
        deflater.add(body);
        deflater.add("\n");  // ends a comment that closes the object's text, and parts it from the next
        bodyBytes += body.size() + 1;
    };
    plan.held.replay(addMember);
    if (next < plan.members.size()) {
        // The listings are in ascending number: the members not held come from the first one's on.
        const auto firstNotHeld =
            std::lower_bound(listings.begin(), listings.end(), plan.members[next],
                             [](const PageRecord* page, int32_t number) { return page->objNum < number; });
        reviseListedPages(reader, std::span(firstNotHeld, listings.end()), walkedNodes, [&](RevisedObject&& page) {
            if (next == plan.members.size() || plan.members[next] != page.number) return;  // an ordinary object
            addMember(acceptedObjectStreamBody(page));
        });
    }
    if (next != plan.members.size() || bodyBytes != plan.bodyBytes)
        throw CPdfException(FailureKind::Input, message::inputReadError);
    return deflater.finish();
}

// An update in streams whose objects are the pages alone reads the pages a second
// time where it cannot hold them compactly: a page tree of a million pages would
// hold them all.
size_t writeStreamUpdateInTurn(OutputFile& output, const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                               const WalkedNodes& walkedNodes) {
    const uint64_t inputSize = reader.crossReference().extents().layout().fileSize();
    const bool encrypted = reader.crossReference().encryption().security() != nullptr;
    const std::vector<const PageRecord*> listings = firstListings(pages);
    PackedPlan plan = planPackedUpdate(reader, listings, walkedNodes, !encrypted);
    const size_t revised = plan.members.size() + plan.ordinary.size();
    const UpdateBase base = revised == 0 ? UpdateBase{} : readUpdateBase(reader.crossReference(), inputSize);
    const bool endsWithLineEnd = copyInput(output, reader.file(), inputSize);
    if (revised == 0) return 0;
    if (!endsWithLineEnd) output.write("\n");
    int64_t nextNumber = base.size;
    std::vector<StreamEntry> entries;
    // The members, the ordinary objects and the section's own stream.
    entries.reserve(revised + 2);
    if (!plan.members.empty()) {
        const int32_t streamNumber = static_cast<int32_t>(nextNumber++);
        const uint64_t streamOffset = output.position();
        writeStreamObject(output, streamNumber, objectStreamEntries(plan.members.size(), plan.headerBytes),
                          packMembers(reader, listings, walkedNodes, plan));
        // The table is made without them.
        std::vector<uint32_t>().swap(plan.bodySizes);
        plan.held = HeldBodies(0);
        entries.push_back({streamNumber, 1, streamOffset, 0});
        for (size_t i = 0; i < plan.members.size(); ++i)
            entries.push_back({plan.members[i], 2, static_cast<uint32_t>(streamNumber), static_cast<uint32_t>(i)});
        std::vector<int32_t>().swap(plan.members);
    }
    for (const RevisedObject& object : plan.ordinary) {
        entries.push_back({object.number, 1, output.position(), static_cast<uint32_t>(object.generation)});
        output.write(object.text);
    }
    writeStreamTable(output, base, std::move(entries), nextNumber);
    return revised;
}

}  // namespace

size_t writeIncrementalUpdate(OutputFile& output, const RawObjectReader& reader, const std::vector<PageRecord>& pages,
                              const WalkedNodes& walkedNodes) {
    CPdfXRef& xref = reader.crossReference();
    const uint64_t inputSize = xref.extents().layout().fileSize();
    const bool inTurn = xref.recovery().objectsReadWithContainersClosed().empty();
    if (inTurn && xref.newestSection().isStream) return writeStreamUpdateInTurn(output, reader, pages, walkedNodes);
    if (!xref.newestSection().isStream) {
        const bool endsWithLineEnd = copyInput(output, reader.file(), inputSize);
        if (inTurn) {
            return writeClassicUpdate(output, xref, inputSize, endsWithLineEnd,
                                      [&](const auto& take) { revisePagesInTurn(reader, pages, walkedNodes, take); });
        }
        const std::vector<RevisedObject> revised = revisePages(reader, pages, walkedNodes);
        return writeClassicUpdate(output, xref, inputSize, endsWithLineEnd, [&](const auto& take) {
            for (const RevisedObject& object : revised) take(object);
        });
    }
    // Objects read with containers closed are revised too, and held: they come
    // after the pages, in number order with them.
    const std::vector<RevisedObject> revised = revisePages(reader, pages, walkedNodes);
    // The trailer is needed, and read, only for an update.
    const UpdateBase base = revised.empty() ? UpdateBase{} : readUpdateBase(xref, inputSize);
    const bool endsWithLineEnd = copyInput(output, reader.file(), inputSize);
    if (revised.empty()) return 0;
    if (!endsWithLineEnd) output.write("\n");
    writeStreamSection(output, base, revised);
    return revised.size();
}
