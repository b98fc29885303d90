// Turning the page selection into marks on the job's page records.
#include "pages/PageList.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

void appendPage(std::string& text, uint64_t page) {
    text.push_back(',');
    text.append(std::to_string(page));
}

}  // namespace

std::string buildPageText(PageSelection kind, uint32_t count) {
    std::string text;
    switch (kind) {
    case PageSelection::All:
        return std::string("1-").append(std::to_string(count));
    case PageSelection::Odd:
        text = "1";
        for (uint64_t page = 3; page <= count; page += 2) appendPage(text, page);
        return text;
    case PageSelection::Even:
        text = "2";
        for (uint64_t page = 4; page <= count; page += 2) appendPage(text, page);
        return text;
    case PageSelection::FirstHalf:
        return std::string("1-").append(std::to_string(count / 2));
    case PageSelection::LastHalf:
        return std::to_string(count / 2 + 1).append("-").append(std::to_string(count));
    default:
        return text;
    }
}

namespace {

// A number of the list as strtol reads it in base 10 (leading white space and a
// plus sign are taken, conversion stops at the first byte that is no digit).
// Messages quote it as typed, with any number of digits; the checks compare its
// value, which is exact up to far beyond every page count.
struct PageNumber {
    uint64_t value = 0;
    std::string digits;  // without leading zeros; "0" for none
};

constexpr uint64_t beyondEveryCount = uint64_t{1} << 40;

PageNumber readNumber(const std::string& text, size_t start, size_t end) {
    size_t at = start;
    while (at < end && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at < end && text[at] == '+') ++at;
    PageNumber number;
    const size_t digitsStart = at;
    for (; at < end && text[at] >= '0' && text[at] <= '9'; ++at)
        number.value = std::min(number.value * 10 + uint64_t(text[at] - '0'), beyondEveryCount);
    size_t significant = digitsStart;
    while (significant + 1 < at && text[significant] == '0') ++significant;
    number.digits = significant < at ? text.substr(significant, at - significant) : std::string("0");
    return number;
}

struct PageRange {
    uint64_t first, last;
};

// Pages given directly inside Kids have no object number and cannot be rewritten:
// a range that takes one fails as its marking would.
class DirectPages {
public:
    explicit DirectPages(const std::vector<PageRecord>& pages) {
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i].objNum < 0) positions.push_back(i + 1);
    }
    void refuseWithin(const PageRange& range) const {
        const auto first = std::lower_bound(positions.begin(), positions.end(), range.first);
        if (first != positions.end() && *first <= range.last)
            throw CPdfException(FailureKind::Damaged, message::damaged);
    }

private:
    std::vector<uint64_t> positions;  // page numbers, ascending
};

// Every range is settled and checked, token by token, before a page is marked;
// the ranges are then marked in one sweep in page order, so that the list costs
// its length plus the pages, however often the ranges overlap.
std::vector<PageRange> readRanges(const std::string& text, uint32_t pageCount, const DirectPages& direct,
                                  size_t pageRecords) {
    std::vector<PageRange> ranges;
    size_t position = 0;
    PageNumber rangeStart;
    bool inRange = false;
    const auto take = [&](uint64_t first, uint64_t last) {
        const PageRange range{first, std::min<uint64_t>(last, pageRecords)};
        if (range.first > range.last) return;  // no record: the declared count exceeds the pages found
        direct.refuseWithin(range);
        ranges.push_back(range);
    };
    for (;;) {
        const size_t delimiter = text.find_first_of("-,", position);
        const size_t tokenEnd = delimiter == std::string::npos ? text.size() : delimiter;
        if (tokenEnd == position) throw CPdfException(FailureKind::Selection, message::invalidParameter);
        const PageNumber number = readNumber(text, position, tokenEnd);
        if (number.value == 0) throw CPdfException(FailureKind::Selection, message::invalidPageNumberZero);
        const bool endsInDash = delimiter != std::string::npos && text[delimiter] == '-';
        if (inRange) {
            if (endsInDash) throw CPdfException(FailureKind::Selection, message::invalidParameter);
            if (number.value > pageCount)
                throw CPdfException(FailureKind::Selection, message::rangeEndBeyondCount(number.digits, pageCount));
            if (rangeStart.value > number.value)
                throw CPdfException(FailureKind::Selection, message::rangeBackwards(rangeStart.digits, number.digits));
            take(rangeStart.value, number.value);
            inRange = false;
        } else if (endsInDash) {
            inRange = true;
            rangeStart = number;
        } else {
            if (number.value > pageCount)
                throw CPdfException(FailureKind::Selection, message::pageNumberBeyondCount(number.digits, pageCount));
            take(number.value, number.value);
        }
        if (delimiter == std::string::npos) return ranges;
        position = delimiter + 1;
    }
}

}  // namespace

void markPageList(const char* pageList, uint32_t pageCount, int32_t rotation, std::vector<PageRecord>& pages) {
    const std::string text(pageList);
    if (text.size() > 2 && text.find_first_not_of("0123456789-,", 2) != std::string::npos)
        throw CPdfException(FailureKind::Selection, message::invalidParameter);
    std::vector<PageRange> ranges = readRanges(text, pageCount, DirectPages(pages), pages.size());
    std::sort(ranges.begin(), ranges.end(), [](const PageRange& a, const PageRange& b) { return a.first < b.first; });
    uint64_t marked = 0;  // every page up to this one is marked already
    for (const PageRange& range : ranges) {
        for (uint64_t page = std::max(range.first, marked + 1); page <= range.last; ++page) {
            pages[page - 1].rotation = rotation;
            pages[page - 1].selected = 1;
        }
        marked = std::max(marked, range.last);
    }
}
