#pragma once

#include <cstdint>
#include <memory>

#include "limits/Limits.h"
#include "xref/RecentObjectStreams.h"

class CPdfElement;
class CPdfObjectStream;
class CPdfRawObjectStream;
class CPdfXRef;
class DecodedObjectStream;
class ValueSieve;

// The object streams of one file as its lookups read them: the one stream kept
// decoded in each of its two forms (parsed for lookups, raw for the copy), the
// few decoded last, and the budget of decoding work. Only the few decoded last
// stay decoded, so objects that alternate between many streams decode them again
// and again; past a budget that grows with the file's size this is taken as damage.
class ObjectStreams {
public:
    explicit ObjectStreams(CPdfXRef& xref);
    ~ObjectStreams();

    // Object `number`, held at `index` of object stream `streamNumber`, parsed; with
    // a sieve, only what it keeps is built.
    void fetch(int32_t streamNumber, int32_t index, int32_t number, CPdfElement& out, ValueSieve* sieve);
    // The text of that object as the stream holds it, or null.
    const uint8_t* rawText(int32_t streamNumber, int32_t index, int32_t number, int32_t& length);

    void setBudgetFor(uint64_t fileSize) {
        budget = limits::objectStreamWorkBase + limits::objectStreamWorkPerFileByte * fileSize;
    }
    // Counts bytes decoded from object streams; past the budget the file is damaged.
    void charge(uint64_t decodedBytes);
    bool workLeft() const { return work <= budget; }
    uint64_t bytesDecoded() const { return work; }

    // The streams are where the entries now say (after a rebuild): none decoded so far is kept.
    void forget();

private:
    std::shared_ptr<const DecodedObjectStream> decoded(int32_t streamNumber);

    CPdfXRef& xref;
    std::unique_ptr<CPdfObjectStream> parsed;
    std::unique_ptr<CPdfRawObjectStream> raw;
    RecentObjectStreams recent{limits::keptObjectStreams, limits::keptObjectStreamBytes};
    uint64_t work = 0;
    uint64_t budget = 0;
};
