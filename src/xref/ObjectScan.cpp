#include "xref/ObjectScan.h"

#include <string.h>

#include "limits/Limits.h"
#include "model/PdfElement.h"
#include "parse/DictionaryText.h"
#include "parse/PdfLexer.h"
#include "stream/FileWindow.h"
#include "xref/ObjectHeaderSearch.h"

namespace {

// A search looks at no fewer bytes than this before it reads the next block.
constexpr size_t minimumView = 4096;
// Blocks overlap by this much, so that a header or keyword across their border
// is seen whole in the next one.
constexpr size_t blockOverlap = 64;
// A dictionary is first looked for in this many bytes; most are far smaller.
constexpr size_t firstDictionaryView = 64 * 1024;
// What is read at the end of a stream's data to find its "endstream".
constexpr size_t streamEndView = 64;

const char endstreamKeyword[] = "endstream";
constexpr size_t endstreamLength = sizeof endstreamKeyword - 1;

enum class ObjectType { Other, Catalog, ObjectStream, CrossReference };

// An object's dictionary as far as the scan needs it.
struct FoundDictionary {
    bool complete = false;  // its ">>" was found
    uint64_t start = 0;     // its "<<"
    uint64_t end = 0;       // just after its ">>"
    ObjectType type = ObjectType::Other;
    bool lengthKnown = false;  // a direct integer Length
    int64_t length = 0;
    bool headsStream = false;
    uint64_t dataStart = 0;
};

ObjectType typeOf(const DictionaryText& entries) {
    if (entries.valueIs("Catalog")) return ObjectType::Catalog;
    if (entries.valueIs("ObjStm")) return ObjectType::ObjectStream;
    if (entries.valueIs("XRef")) return ObjectType::CrossReference;
    return ObjectType::Other;
}

// The first token of `text` from `at` on.
void readTokenAt(const uint8_t* text, size_t length, size_t at, CPdfElement& token, uint32_t& end) {
    TextSource source(text, static_cast<uint32_t>(length));
    source.rewindTo(static_cast<uint32_t>(at));
    PdfLexer<TextSource> lexer(source);
    lexer.readToken(token);
    end = source.where();
}

class ObjectScanner {
public:
    ObjectScanner(FILE* file, uint64_t fileSize, uint32_t base)
        : window(file, fileSize, limits::scanBlockBytes), fileSize(fileSize), base(base), position(base) {}

    ObjectScan run() {
        while (position < fileSize) {
            const Event event = nextEvent();
            if (event.kind == Event::Header) readObject(event);
            else if (event.kind == Event::Trailer) readTrailer(event.start);
            else break;
        }
        return std::move(found);
    }

private:
    struct Event {
        enum Kind { None, Header, Trailer } kind = None;
        ObjectHeader header;
        uint64_t start = 0;  // the header's or the keyword's first byte
        uint64_t end = 0;    // just after "obj"
    };

    // Bytes from one before `at` (when there is a byte before it), so that the
    // searches can tell whether a token starts right at `at`.
    struct View {
        const uint8_t* bytes = nullptr;
        size_t length = 0;
        size_t lead = 0;     // the index of `at`
        uint64_t start = 0;  // the file position of bytes[0]
        bool endsFile = false;
    };

    View viewFrom(uint64_t at, size_t count) {
        View view;
        view.lead = at > 0 ? 1 : 0;
        view.start = at - view.lead;
        view.length = window.view(view.start, count + view.lead, view.bytes);
        view.endsFile = view.start + view.length >= fileSize;
        return view;
    }

    // The next header or trailer keyword from `position` on, block by block.
    Event nextEvent() {
        for (;;) {
            const View view = viewFrom(position, minimumView);
            if (view.length <= view.lead) return {};
            Event event;
            const bool hasHeader = findObjectHeader(view.bytes, view.lead, view.length, view.endsFile, event.header);
            const size_t searchEnd = hasHeader ? event.header.start : view.length;
            const size_t trailerAt =
                findKeyword(view.bytes, view.lead, searchEnd, view.endsFile && !hasHeader, "trailer");
            if (trailerAt < searchEnd) {
                event.kind = Event::Trailer;
                event.start = view.start + trailerAt;
                return event;
            }
            if (hasHeader) {
                event.kind = Event::Header;
                event.start = view.start + event.header.start;
                event.end = view.start + event.header.end;
                return event;
            }
            if (view.endsFile) return {};
            position = view.start + view.length - blockOverlap;
        }
    }

    void readObject(const Event& event) {
        record(event.header, event.start);
        const FoundDictionary dictionary = readDictionary(event.end);
        if (!dictionary.complete) {
            position = event.end;
            return;
        }
        note(event, dictionary);
        position = dictionary.headsStream ? endOfStreamData(dictionary) : dictionary.end;
    }

    void readTrailer(uint64_t at) {
        const uint64_t afterKeyword = at + 7;
        const FoundDictionary dictionary = readDictionary(afterKeyword);
        if (!dictionary.complete) {
            position = afterKeyword;
            return;
        }
        found.trailers.push_back({static_cast<uint32_t>(dictionary.start), static_cast<uint32_t>(dictionary.end)});
        position = dictionary.end;
    }

    // Numbers are within the PDF format's limit (the header search sees to that).
    void record(const ObjectHeader& header, uint64_t at) {
        const size_t number = static_cast<size_t>(header.number);
        if (number >= found.entries.size()) {
            found.entries.resize(number + 1);
            found.definedAt.resize(number + 1, 0);
        }
        found.entries[number] = {static_cast<int32_t>(at - base), header.generation, XRefEntryType::Uncompressed};
        found.definedAt[number] = static_cast<uint32_t>(at);
        if (!found.foundObject) found.firstObject = static_cast<uint32_t>(at);
        found.foundObject = true;
    }

    void note(const Event& event, const FoundDictionary& dictionary) {
        const ObjectScan::Object object{event.header.number, event.header.generation, static_cast<uint32_t>(event.start)};
        switch (dictionary.type) {
        case ObjectType::Catalog:
            found.catalogues.push_back(object);
            break;
        case ObjectType::ObjectStream:
            if (dictionary.headsStream) found.objectStreams.push_back(object);
            break;
        case ObjectType::CrossReference:
            if (dictionary.headsStream)
                found.trailers.push_back({static_cast<uint32_t>(dictionary.start), static_cast<uint32_t>(dictionary.end)});
            break;
        default:
            break;
        }
    }

    // The dictionary that starts right after `from`, if one does, read no further
    // than the next object header: a dictionary never spans another object, and
    // one that never closes must not make the scan read on.
    FoundDictionary readDictionary(uint64_t from) {
        for (size_t wanted = firstDictionaryView;; wanted *= 4) {
            const View view = viewFrom(from, wanted);
            ObjectHeader next;
            const bool headerFollows = findObjectHeader(view.bytes, view.lead, view.length, view.endsFile, next);
            const size_t limit = headerFollows ? next.start : view.length;
            FoundDictionary dictionary;
            if (readDictionaryIn(view, limit, dictionary)) return dictionary;
            const bool cutShortByView = !headerFollows && !view.endsFile;
            if (!cutShortByView || wanted >= limits::maximumScannedDictionaryBytes) return {};
        }
    }

    // False when the text up to `limit` does not tell: the dictionary, or the line
    // after its "stream", runs on past it.
    bool readDictionaryIn(const View& view, size_t limit, FoundDictionary& dictionary) {
        CPdfElement token;
        uint32_t at = 0;
        readTokenAt(view.bytes, limit, view.lead, token, at);
        if (!token.isKeyword("<<")) return true;  // no dictionary: nothing more to learn
        dictionary.start = view.start + at - 2;
        DictionaryText entries(view.bytes, static_cast<uint32_t>(limit), at);
        bool typeSeen = false, lengthSeen = false;  // of two equal keys the first counts
        while (entries.next()) {
            if (!typeSeen && entries.keyIs("Type")) {
                typeSeen = true;
                dictionary.type = typeOf(entries);
            } else if (!lengthSeen && entries.keyIs("Length")) {
                lengthSeen = true;
                dictionary.lengthKnown = entries.valueKind() == DictionaryText::ValueKind::Integer;
                dictionary.length = entries.integer();
            }
        }
        if (!entries.closed()) return false;
        dictionary.end = view.start + entries.end();
        return readStreamStart(view, limit, entries.end(), dictionary);
    }

    bool readStreamStart(const View& view, size_t limit, uint32_t dictionaryEnd, FoundDictionary& dictionary) {
        TextSource source(view.bytes, static_cast<uint32_t>(limit));
        source.rewindTo(dictionaryEnd);
        PdfLexer<TextSource> lexer(source);
        CPdfElement token;
        lexer.readToken(token);
        if (token.isKeyword("stream")) {
            lexer.skipToLineEnd();
            if (source.where() >= limit && limit == view.length && !view.endsFile) return false;
            dictionary.headsStream = true;
            dictionary.dataStart = view.start + source.where();
        }
        dictionary.complete = true;
        return true;
    }

    // Just after the stream's "endstream": where its Length says, when it says so
    // rightly; else at the next "endstream". Without one, the data is scanned like
    // any other text.
    uint64_t endOfStreamData(const FoundDictionary& dictionary) {
        if (dictionary.lengthKnown && dictionary.length >= 0 &&
            dictionary.dataStart + static_cast<uint64_t>(dictionary.length) <= fileSize) {
            const View view = viewFrom(dictionary.dataStart + static_cast<uint64_t>(dictionary.length), streamEndView);
            CPdfElement token;
            uint32_t end = 0;
            readTokenAt(view.bytes, view.length, view.lead, token, end);
            if (token.isKeyword("endstream")) return view.start + end;
        }
        return findEndstream(dictionary.dataStart);
    }

    uint64_t findEndstream(uint64_t from) {
        for (uint64_t at = from;;) {
            const View view = viewFrom(at, minimumView);
            if (view.length <= view.lead) return from;
            const void* hit = memmem(view.bytes + view.lead, view.length - view.lead, endstreamKeyword, endstreamLength);
            if (hit) return view.start + static_cast<size_t>(static_cast<const uint8_t*>(hit) - view.bytes) + endstreamLength;
            if (view.endsFile) return from;
            at = view.start + view.length - endstreamLength;
        }
    }

    FileWindow window;
    uint64_t fileSize;
    uint32_t base;
    uint64_t position;
    ObjectScan found;
};

}  // namespace

ObjectScan scanObjects(FILE* file, uint64_t fileSize, uint32_t base) { return ObjectScanner(file, fileSize, base).run(); }
