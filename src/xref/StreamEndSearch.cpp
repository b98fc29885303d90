#include "xref/StreamEndSearch.h"

#include "parse/Keywords.h"

#include <algorithm>
#include <vector>

#include "parse/CharacterClass.h"
#include "platform/Platform.h"
#include "stream/ByteSearch.h"
#include "xref/ObjectHeaderSearch.h"

namespace {

constexpr size_t firstBlock = 4096;
constexpr size_t largestBlock = 1 << 20;
// Each block starts this many bytes before the previous one ended, so that a
// keyword or header cut by the block's end is found whole in the next.
constexpr size_t overlap = 96;

// The index of the first `word` in block[from, to), or `to`. Data often runs right
// into "endstream" without a line end, so the word need not start a token.
size_t findWord(const std::vector<uint8_t>& block, size_t from, size_t to, const char* word, uint32_t length) {
    if (from >= to) return to;
    const uint8_t* found = searchBytes(block.data() + from, block.data() + to, word, length);
    return found ? static_cast<size_t>(found - block.data()) : to;
}

}  // namespace

bool StreamEndSearch::closingKeywordAt(uint64_t position) const {
    uint8_t near[64];
    const size_t got = platform::readAt(file, position, near, sizeof near);
    size_t at = 0;
    while (at < got && pdfchar::isWhitespace(near[at])) ++at;
    return findKeyword(near, at, got, got < sizeof near, keywords::objectEnd) == at;
}

uint64_t StreamEndSearch::withoutLineEnd(uint64_t dataStart, uint64_t end) const {
    uint8_t before[2] = {0, 0};
    if (end >= dataStart + 2) platform::readAt(file, end - 2, before, 2);
    else if (end == dataStart + 1) platform::readAt(file, end - 1, before + 1, 1);
    if (end > dataStart && before[1] == '\n') {
        --end;
        if (end > dataStart && before[0] == '\r') --end;
    } else if (end > dataStart && before[1] == '\r') {
        --end;
    }
    return end;
}

uint64_t StreamEndSearch::dataLength(uint64_t dataStart, uint64_t declared) const {
    std::vector<uint8_t> block;
    uint64_t blockStart = dataStart;
    bool closingFound = false;
    uint64_t lastClosing = 0;  // the position of the last closing keyword found
    size_t size = firstBlock;
    for (;;) {
        block.resize(static_cast<size_t>(std::min<uint64_t>(size, fileSize > blockStart ? fileSize - blockStart : 0)));
        block.resize(platform::readAt(file, blockStart, block.data(), block.size()));
        const bool endsFile = blockStart + block.size() >= fileSize;
        ObjectHeader header;
        const bool headerFound = findObjectHeader(block.data(), 0, block.size(), endsFile, header);
        const size_t regionEnd = headerFound ? header.start : block.size();
        const size_t endstream = findWord(block, 0, regionEnd, "endstream", 9);
        if (endstream < regionEnd) return withoutLineEnd(dataStart, blockStart + endstream) - dataStart;
        for (size_t at = findWord(block, 0, regionEnd, keywords::objectEnd, 6); at < regionEnd;
             at = findWord(block, at + 6, regionEnd, keywords::objectEnd, 6))
            lastClosing = blockStart + at, closingFound = true;
        if (headerFound || endsFile || block.size() <= overlap) {
            const uint64_t end = blockStart + regionEnd;
            if (declared <= end - dataStart && closingKeywordAt(dataStart + declared)) return declared;
            return withoutLineEnd(dataStart, closingFound ? lastClosing : end) - dataStart;
        }
        blockStart += block.size() - overlap;
        size = std::min(size * 2, largestBlock);
    }
}
