// Holds the two ways of finding where an object's text ends to each other: the
// lexer over the text in memory (findObjectEnd) and the lexer over the file
// through its block cache (findObjectEndInFile), which reads in buffers of 4096
// bytes and may not look past the object's limit. The search for an object's end
// reads its first bytes into memory and goes on in the file only where they do
// not settle it (they may end in the middle of a token): an end found in a first
// part that is not whole must be the end found in the whole text.
//
// The input (see Differential.h): a byte of options (bits 0-2: the edge that the
// padding moves the text to; bits 3-4: how many bytes stand in the file before
// the text), the padding's distance from that edge, a byte that picks where in
// the text the lexing starts, then the text. The file holds the text between
// other bytes, and after it a closing keyword that a search past the limit would
// find.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "Differential.h"
#include "FuzzWorkspace.h"
#include "MemoryFile.h"
#include "parse/ObjectEnd.h"
#include "stream/FileBlockCache.h"

namespace {

using namespace fuzzing;

size_t bytesBefore(unsigned choice) {
    static const size_t before[4] = {0, 9, 4000, 16380};
    return before[choice & 3];
}

// Where the first part may end: every place in the first bytes after the start
// of the lexing, around each edge of the reads and around each closing keyword.
std::set<size_t> cutsOf(std::string_view text, size_t start, size_t from, size_t padTo) {
    std::set<size_t> cuts;
    for (size_t cut = from + 1; cut <= from + 256 && cut < text.size(); ++cut) cuts.insert(cut);
    const size_t blockEdge = 16384 - start % 16384;
    for (const size_t edge : {padTo, size_t{512}, size_t{4096}, size_t{8192}, blockEdge})
        for (size_t cut = edge > 8 ? edge - 8 : 0; cut <= edge + 8; ++cut) cuts.insert(cut);
    for (size_t at = text.find("endobj", from); at != std::string_view::npos && cuts.size() < 1024;
         at = text.find("endobj", at + 1))
        for (size_t cut = at + 5; cut <= at + 7; ++cut) cuts.insert(cut);
    return cuts;
}

void checkFrom(FileBlockCache& blocks, std::string_view text, size_t start, size_t from, size_t padTo) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const uint64_t inMemory = findObjectEnd(bytes, text.size(), from, true).end;
    const uint64_t inFile = findObjectEndInFile(blocks, start, from, start + text.size());
    requireSame(std::to_string(inMemory), std::to_string(inFile),
                "the lexer finds another end in the file than in memory");
    for (const size_t cut : cutsOf(text, start, from, padTo)) {
        if (cut <= from || cut >= text.size()) continue;
        const uint64_t inPart = findObjectEnd(bytes, cut, from, false).end;
        if (inPart != 0)
            requireSame(std::to_string(inPart), std::to_string(inMemory),
                        "a first part that is not whole ends the text elsewhere");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t padTo = paddedTo(readEdge(data[0]), data[1]);
    const std::string text = padded(std::string_view(reinterpret_cast<const char*>(data + 3), size - 3), padTo);
    const size_t start = bytesBefore(data[0] >> 3);
    const MemoryFile file(std::string(start, '\n') + text + " endobj\n");
    FileBlockCache blocks(file.handle());
    const size_t from = text.empty() ? 0 : data[2] * text.size() / 256;
    checkFrom(blocks, text, start, 0, padTo);
    checkFrom(blocks, text, start, from, padTo);
    return 0;
}
