#include "xref/ObjectScan.h"

#include <algorithm>
#include <cstring>

#include "limits/Limits.h"
#include "parse/DictionarySkim.h"
#include "parse/CharacterClass.h"
#include "xref/FileSearch.h"
#include "xref/XRefEntryTable.h"

namespace {

constexpr size_t firstDictionaryView = limits::firstScannedDictionaryBytes;
constexpr size_t tokenReach = limits::scanTokenReach;

enum class ObjectType { Other, Catalog, ObjectStream, CrossReference };

// A dictionary as far as the scan needs it. Positions are file positions.
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

ObjectType typeOf(const DictionarySkim& dictionary) {
    if (!dictionary.typeIsName) return ObjectType::Other;
    if (dictionary.type == "Catalog") return ObjectType::Catalog;
    if (dictionary.type == "ObjStm") return ObjectType::ObjectStream;
    if (dictionary.type == "XRef") return ObjectType::CrossReference;
    return ObjectType::Other;
}

// Where the first token from `at` on starts: white space and comments are passed
// over, no further than `tokenReach` bytes on; `length` when none starts there.
// The scan looks for single keywords this way, without the lexer's tokens.
size_t tokenStart(const uint8_t* text, size_t length, size_t at) {
    const size_t reach = std::min(length, at + tokenReach);
    while (at < reach) {
        if (pdfchar::isWhitespace(text[at])) {
            ++at;
        } else if (text[at] == '%') {
            while (at < reach && text[at] != '\r' && text[at] != '\n') ++at;
        } else {
            return at;
        }
    }
    return length;
}

// Whether the first token from `at` on is `keyword` (a word, or "<<"); `end` is
// then just after it.
bool keywordFollows(const uint8_t* text, size_t length, size_t at, const char* keyword, size_t& end) {
    const size_t start = tokenStart(text, length, at);
    const size_t size = std::strlen(keyword);
    if (start + size > length || std::memcmp(text + start, keyword, size) != 0) return false;
    end = start + size;
    return keyword[0] == '<' || end == length || !pdfchar::isRegular(text[end]);
}

// Just after the line end that ends the line at `at`, as the parser passes over
// the rest of the line after "stream".
size_t afterLineEnd(const uint8_t* text, size_t length, size_t at) {
    while (at < length) {
        const uint8_t c = text[at++];
        if (c == '\n') return at;
        if (c == '\r') return at < length && text[at] == '\n' ? at + 1 : at;
    }
    return at;
}

class ObjectScanner {
public:
    ObjectScanner(FILE* file, uint64_t fileSize, uint64_t base) : search(file, fileSize), base(base), position(base) {}

    ObjectScan run() {
        for (;;) {
            ObjectHeader header;
            const bool headerFollows = search.nextHeader(position, search.fileSize(), header);
            uint64_t trailerAt = 0;
            if (search.nextTrailer(position, headerFollows ? header.start : search.fileSize(), trailerAt))
                readTrailer(trailerAt);
            else if (headerFollows) readObject(header);
            else return std::move(found);
        }
    }

private:
    void readObject(const ObjectHeader& header) {
        if (!record(header)) {
            position = header.end;
            return;
        }
        const FoundDictionary dictionary = readDictionary(header.end);
        if (!dictionary.complete) {
            position = header.end;
            return;
        }
        note(header, dictionary);
        position = dictionary.headsStream ? endOfStreamData(dictionary) : dictionary.end;
    }

    void readTrailer(uint64_t at) {
        const uint64_t afterKeyword = at + 7;
        const FoundDictionary dictionary = readDictionary(afterKeyword);
        if (!dictionary.complete) {
            position = afterKeyword;
            return;
        }
        found.trailers.push_back({dictionary.start, dictionary.end});
        position = dictionary.end;
    }

    // Numbers are within the PDF format's limit (the header search sees to that);
    // more objects than the file can hold (as for every cross-reference) are none.
    bool record(const ObjectHeader& header) {
        const XRefEntry* known = found.entries.find(header.number);
        const bool isNew = !known || known->isUnset();
        if (isNew && found.entries.listedCount() >= XRefEntryTable::entriesAFileCanHold(search.fileSize()))
            return false;
        const uint64_t at = header.start;
        const XRefEntry entry{static_cast<int64_t>(at - base), header.generation, XRefEntryType::Uncompressed};
        if (!found.entries.replace(header.number, entry)) return false;
        found.definedAt.at(header.number) = at;
        if (!found.foundObject) found.firstObject = at;
        found.foundObject = true;
        return true;
    }

    void note(const ObjectHeader& header, const FoundDictionary& dictionary) {
        const ObjectScan::Object object{header.number, header.generation, header.start};
        if (dictionary.type == ObjectType::Catalog) found.catalogues.push_back(object);
        if (!dictionary.headsStream) return;
        if (dictionary.type == ObjectType::ObjectStream) found.objectStreams.push_back(object);
        if (dictionary.type == ObjectType::CrossReference) found.trailers.push_back({dictionary.start, dictionary.end});
    }

    // The dictionary that starts right at `from` (after white space), read no further
    // than the next object header: a dictionary never spans another object. After
    // one that does not close, no dictionary is read until the scan has passed the
    // text it ran through, so no byte is read for a dictionary over and over.
    FoundDictionary readDictionary(uint64_t from) {
        if (from < unclosedUntil) return {};
        for (size_t wanted = firstDictionaryView;; wanted *= 4) {
            ObjectHeader next;
            const bool headerFollows = search.nextHeader(from, from + wanted, next);
            const FileSearch::View view = search.view(from, wanted);
            const size_t limit = headerFollows ? static_cast<size_t>(next.start - view.start)
                                               : std::min(view.length, view.lead + wanted);
            FoundDictionary dictionary;
            if (readDictionaryIn(view, limit, dictionary)) return dictionary;
            const bool readAllItMay = headerFollows || (view.endsFile && limit == view.length) ||
                                      wanted >= limits::maximumScannedDictionaryBytes;
            if (readAllItMay) {
                unclosedUntil = view.start + limit;
                return {};
            }
        }
    }

    // False when the text up to `limit` does not tell: the dictionary, or the line
    // after its "stream", runs on past it.
    bool readDictionaryIn(const FileSearch::View& view, size_t limit, FoundDictionary& dictionary) {
        size_t open = 0;
        if (!keywordFollows(view.bytes, limit, view.lead, "<<", open)) return true;  // no dictionary: nothing to learn
        dictionary.start = view.start + open - 2;
        const DictionarySkim entries =
            skimDictionary(view.bytes, static_cast<uint32_t>(limit), static_cast<uint32_t>(open));
        if (!entries.closed) return false;
        dictionary.type = typeOf(entries);
        dictionary.lengthKnown = entries.lengthKind == DictionarySkim::LengthKind::Integer;
        dictionary.length = entries.length;
        dictionary.end = view.start + entries.end;
        size_t keywordEnd = 0;
        if (keywordFollows(view.bytes, limit, entries.end, "stream", keywordEnd)) {
            const size_t dataStart = afterLineEnd(view.bytes, limit, keywordEnd);
            if (dataStart >= limit && !view.endsFile) return false;
            dictionary.headsStream = true;
            dictionary.dataStart = view.start + dataStart;
        }
        dictionary.complete = true;
        return true;
    }

    // Just after the stream's "endstream": where its Length says, when it says so
    // rightly; else at the next "endstream" ahead of the next object header. A
    // stream never swallows a header: without an "endstream" before it, the scan
    // goes on at that header.
    uint64_t endOfStreamData(const FoundDictionary& dictionary) {
        if (dictionary.lengthKnown && dictionary.length >= 0 &&
            dictionary.dataStart + static_cast<uint64_t>(dictionary.length) <= search.fileSize()) {
            const FileSearch::View view =
                search.view(dictionary.dataStart + static_cast<uint64_t>(dictionary.length), tokenReach);
            size_t end = 0;
            if (keywordFollows(view.bytes, view.length, view.lead, "endstream", end)) return view.start + end;
        }
        ObjectHeader next;
        const bool headerFollows = search.nextHeader(dictionary.dataStart, search.fileSize(), next);
        uint64_t end = 0;
        if (search.nextEndstream(dictionary.dataStart, end) && (!headerFollows || end <= next.start)) return end;
        return headerFollows ? next.start : search.fileSize();
    }

    FileSearch search;
    uint64_t base;
    uint64_t position;
    uint64_t unclosedUntil = 0;
    ObjectScan found;
};

}  // namespace

ObjectScan scanObjects(FILE* file, uint64_t fileSize, uint64_t base) {
    return ObjectScanner(file, fileSize, base).run();
}
