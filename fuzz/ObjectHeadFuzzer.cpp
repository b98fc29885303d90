// Holds the fast reader of an object's head to the parser. Where the objects of a
// file lie (ObjectExtents::locate) is found from each object's head: its header,
// whether it is a stream (and an object stream), where its data ends, and where
// the closing keyword after its dictionary or its "endstream" ends. The fast
// reader takes all of that from the object's first bytes, with the reader of a
// plain stream head or else the dictionary reader, and steps aside for the parser
// (read with a sieve of Length and Type, the end then found by the lexer) wherever
// those bytes do not settle it.
//
// The input (see Differential.h): a byte of options (bit 0: open the file as
// -repair does; bits 1-3: the edge that the padding moves the texts to), the
// padding's distance from that edge, then the objects' texts. Each object of the
// file is located twice, with the fast reader and without it, and the two
// extents must be the same in every field that the readers of raw text use.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Differential.h"
#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using namespace fuzzing;

constexpr int mostObjectsLocated = 32;

std::string located(CPdfXRef& xref, int32_t number, const XRefEntry& entry, bool skim) {
    xref.extents().skimHeads(skim);
    try {
        return describe(xref.extents().locate(number, entry));
    } catch (const CPdfException& failure) {
        return std::string("failed: ") + failure.messageText();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const ReadMode mode = (data[0] & 1) != 0 ? ReadMode::Recovering : ReadMode::Strict;
    const size_t padTo = paddedTo(readEdge(data[0] >> 1), data[1]);
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const MemoryFile file(smallFile(piecesOf(text, padTo)).bytes);
    CPdfDocument document;
    try {
        document.open(file.handle(), mode);
    } catch (const CPdfException&) {
        return 0;
    }
    CPdfXRef& xref = *document.xref();
    xref.extents().forget();  // nothing that the open read stands in for a reading below
    int objects = 0;
    for (const auto& [number, entry] : xref.getEntries()) {
        if (entry.type != XRefEntryType::Uncompressed) continue;
        if (++objects > mostObjectsLocated) break;
        requireSame(located(xref, number, entry, true), located(xref, number, entry, false),
                    "the fast reader of an object's head locates it otherwise than the parser");
    }
    return 0;
}
