// Reads arbitrary bytes as an object stream. The input's first line holds entries
// of the stream's dictionary (/N, /First, /Extends, a /Filter, ...), the rest is
// its data; the target lays them out as object 1 of a small file whose
// cross-reference stream lists objects 3 to 63 as held in it, by index. Then the
// stream is read in its two forms and through the cross-reference. Invariants:
// - each object's window lies within the data, the windows in header order;
// - an object's text as the copy takes it lies within the data, and where the
//   header's offsets increase within the data it is exactly the window that the
//   lookup parses;
// - nothing but the program's own exception escapes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "model/PdfException.h"
#include "parse/ValueSieve.h"
#include "xref/PdfDocument.h"
#include "xref/PdfObjectStream.h"
#include "xref/PdfXRef.h"

namespace {

using namespace fuzzing;

constexpr int listedObjects = 64;  // objects 0 to 63: free, the stream, the cross-reference, 61 held
constexpr int firstHeld = 3;

std::string bigEndian(uint32_t value, int width) {
    std::string bytes(static_cast<size_t>(width), '\0');
    for (int i = width - 1; i >= 0; --i, value >>= 8) bytes[static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
    return bytes;
}

std::string crossReferenceRows(uint32_t streamAt, uint32_t sectionAt) {
    std::string rows = bigEndian(0, 1) + bigEndian(0, 4) + bigEndian(65535, 2);
    rows += bigEndian(1, 1) + bigEndian(streamAt, 4) + bigEndian(0, 2);
    rows += bigEndian(1, 1) + bigEndian(sectionAt, 4) + bigEndian(0, 2);
    for (int number = firstHeld; number < listedObjects; ++number)
        rows += bigEndian(2, 1) + bigEndian(1, 4) + bigEndian(static_cast<uint32_t>(number - firstHeld), 2);
    return rows;
}

std::string fileWith(std::string_view entries, std::string_view data) {
    std::string file = "%PDF-1.5\n";
    const auto streamAt = static_cast<uint32_t>(file.size());
    file += "1 0 obj\n<< /Type /ObjStm ";
    (file += entries) += " /Length " + std::to_string(data.size()) + " >>\nstream\n";
    (file += data) += "\nendstream\nendobj\n";
    const auto sectionAt = static_cast<uint32_t>(file.size());
    const std::string rows = crossReferenceRows(streamAt, sectionAt);
    file += "2 0 obj\n<< /Type /XRef /Size " + std::to_string(listedObjects) + " /W [1 4 2] /Root 3 0 R /Length " +
            std::to_string(rows.size()) + " >>\nstream\n";
    (file += rows) += "\nendstream\nendobj\nstartxref\n" + std::to_string(sectionAt) + "\n%%EOF\n";
    return file;
}

// Whether the header's offsets, from First on, increase within the data: the only
// layout in which the copy's text and the lookup's window must be the same bytes.
bool soundOffsets(const DecodedObjectStream& stream) {
    int64_t previous = stream.first;
    for (const int32_t offset : stream.offsets) {
        const int64_t start = int64_t{stream.first} + offset;
        if (offset < 0 || start < previous || start > static_cast<int64_t>(stream.data.size())) return false;
        previous = start;
    }
    return true;
}

void checkForms(CPdfXRef& xref, const std::shared_ptr<const DecodedObjectStream>& decoded) {
    const DecodedObjectStream& stream = *decoded;
    if (stream.objectCount == 0) return;
    const auto count = static_cast<size_t>(stream.objectCount);
    require(stream.objectNumbers.numbers.size() == count && stream.offsets.size() == count &&
                stream.windowStarts.size() == count && stream.windowEnds.size() == count,
            "an object stream's tables differ in length");
    const bool sound = soundOffsets(stream);
    const CPdfObjectStream parsed(&xref, decoded);
    const CPdfRawObjectStream raw(decoded);
    KeySieve sieve{"Type", "Kids", "Count", "Rotate"};
    for (size_t k = 0; k < count; ++k) {
        require(stream.windowStarts[k] <= stream.windowEnds[k] && stream.windowEnds[k] <= stream.data.size() &&
                    (k == 0 || stream.windowStarts[k] >= stream.windowEnds[k - 1]),
                "an object's window lies outside the data or out of order");
        const int32_t index = static_cast<int32_t>(k), number = stream.objectNumbers.numbers[k];
        int32_t length = -1;
        const uint8_t* text = raw.getObjectText(index, number, length);
        if (text) {
            require(
                text >= stream.data.data() && length >= 0 && text + length <= stream.data.data() + stream.data.size(),
                "an object's text lies outside the data");
        }
        if (sound) {
            require(text && static_cast<size_t>(text - stream.data.data()) == stream.windowStarts[k] &&
                        static_cast<uint32_t>(length) == stream.windowEnds[k] - stream.windowStarts[k],
                    "an object's text is not the window the lookup parses");
        }
        try {
            CPdfElement object, sieved;
            parsed.getObject(index, number, object);
            parsed.getObject(index, number, sieved, &sieve);
        } catch (const CPdfException&) {
        }
    }
}

void checkLookups(CPdfXRef& xref) {
    for (int number = firstHeld; number < listedObjects; ++number) {
        try {
            CPdfElement object;
            xref.fetchObject(number, 0, object);
            int32_t length = -1;
            if (xref.getRawObject(number, 0, length)) require(length >= 0, "an object's text of negative length");
        } catch (const CPdfException&) {
        }
    }
    try {
        readObjectStreamNumbers(&xref, 1);
    } catch (const CPdfException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = std::min(input.find('\n'), input.size());
    const std::string bytes = fileWith(input.substr(0, lineEnd), input.substr(std::min(lineEnd + 1, input.size())));
    const MemoryFile file(bytes);
    CPdfDocument document;
    try {
        document.open(file.handle());
    } catch (const CPdfException&) {
        return 0;
    }
    CPdfXRef& xref = *document.xref();
    try {
        checkForms(xref, std::make_shared<const DecodedObjectStream>(&xref, 1));
    } catch (const CPdfException&) {
    }
    checkLookups(xref);
    return 0;
}
