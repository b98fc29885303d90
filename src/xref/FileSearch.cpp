#include "xref/FileSearch.h"

#include <cstring>

#include <algorithm>

#include "limits/Limits.h"
#include "stream/ByteSearch.h"

namespace {

constexpr size_t minimumView = limits::minimumSearchView;
constexpr size_t headerReach = limits::headerReach;

const char endstreamKeyword[] = "endstream";
constexpr size_t endstreamLength = sizeof endstreamKeyword - 1;

}  // namespace

FileSearch::FileSearch(FILE* file, uint64_t fileSize)
    : window(file, fileSize, limits::scanBlockBytes), size(fileSize) {}

FileSearch::View FileSearch::view(uint64_t at, size_t count) {
    View result;
    result.lead = at > 0 ? 1 : 0;
    result.start = at - result.lead;
    result.length = window.view(result.start, count + result.lead, result.bytes);
    result.endsFile = result.start + result.length >= size;
    return result;
}

bool FileSearch::nextHeader(uint64_t from, uint64_t until, ObjectHeader& header) {
    if (from < headersFrom || from > headersTo || (headerKnown && knownHeader.start < from)) {
        headersFrom = headersTo = from;
        headerKnown = false;
    }
    while (!headerKnown && headersTo < std::min(until, size)) {
        const View block = view(headersTo, minimumView);
        if (block.length <= block.lead) {
            headersTo = size;
            break;
        }
        if (findObjectHeader(block.bytes, block.lead, block.length, block.endsFile, knownHeader)) {
            knownHeader.start += block.start;
            knownHeader.end += block.start;
            headerKnown = true;
            headersTo = knownHeader.start;
        } else {
            headersTo = block.endsFile ? size : std::max(headersTo + 1, block.start + block.length - headerReach);
        }
    }
    if (!headerKnown || knownHeader.start >= until) return false;
    header = knownHeader;
    return true;
}

bool FileSearch::nextTrailer(uint64_t from, uint64_t until, uint64_t& at) {
    static const char keyword[] = "trailer";
    constexpr size_t keywordLength = sizeof keyword - 1;
    until = std::min(until, size);
    for (uint64_t searchFrom = from; searchFrom < until;) {
        const View block = view(searchFrom, minimumView);
        const size_t length = static_cast<size_t>(std::min<uint64_t>(block.length, until - block.start));
        if (length <= block.lead) return false;
        const bool endsHere = block.endsFile && length == block.length;
        const size_t found = findKeyword(block.bytes, block.lead, length, endsHere, keyword);
        if (found < length) {
            at = block.start + found;
            return true;
        }
        if (block.start + length >= until) return false;
        searchFrom = block.start + length - keywordLength;
    }
    return false;
}

bool FileSearch::nextEndstream(uint64_t from, uint64_t& end) {
    const bool remembered = from >= endstreamFrom && from + endstreamLength <= endstreamEnd;
    if (!remembered) {
        endstreamFrom = from;
        endstreamFound = false;
        endstreamEnd = size;
        for (uint64_t searchFrom = from;;) {
            const View block = view(searchFrom, minimumView);
            if (block.length <= block.lead) break;
            const uint8_t* hit = searchBytes(block.bytes + block.lead, block.bytes + block.length, endstreamKeyword,
                                             static_cast<uint32_t>(endstreamLength));
            if (hit) {
                endstreamEnd = block.start + static_cast<size_t>(hit - block.bytes) + endstreamLength;
                endstreamFound = true;
                break;
            }
            if (block.endsFile) break;
            searchFrom = block.start + block.length - endstreamLength;
        }
    }
    end = endstreamEnd;
    return endstreamFound;
}
