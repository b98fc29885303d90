// Page lists with "end", "rN", named selections and an angle per item.
#include "pages/PageItems.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>
#include <optional>
#include <utility>

#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

struct NamedItem {
    const char* name;
    PageItemList::Kind kind;
};

constexpr NamedItem namedItems[] = {
    {"all", PageItemList::Kind::All},           {"odd", PageItemList::Kind::Odd},
    {"even", PageItemList::Kind::Even},         {"firsthalf", PageItemList::Kind::FirstHalf},
    {"lasthalf", PageItemList::Kind::LastHalf}, {"landscape", PageItemList::Kind::Landscape},
    {"portrait", PageItemList::Kind::Portrait},
};

bool equals(const std::string& text, size_t start, size_t length, const char* word) {
    return length == std::strlen(word) && text.compare(start, length, word) == 0;
}

const NamedItem* namedItemAt(const std::string& text, size_t start, size_t length) {
    for (const NamedItem& named : namedItems)
        if (equals(text, start, length, named.name)) return &named;
    return nullptr;
}

bool allDigits(const std::string& text, size_t start, size_t length) {
    if (length == 0) return false;
    for (size_t i = start; i < start + length; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// "end", or "r" and digits: a page counted from the end.
bool isFromEnd(const std::string& text, size_t start, size_t length) {
    return equals(text, start, length, "end") ||
           (length > 1 && text[start] == 'r' && allDigits(text, start + 1, length - 1));
}

// Digits as a page number; any number beyond 32 bits is beyond every file, so it
// is held as the largest one (messages quote the digits as typed).
uint32_t digitsValue(const std::string& text, size_t start, size_t length) {
    uint64_t value = 0;
    for (size_t i = start; i < start + length; ++i)
        value = std::min<uint64_t>(value * 10 + uint64_t(text[i] - '0'), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

// The digits in [start, start + length) without their leading zeros.
std::string typedNumber(const std::string& text, size_t start, size_t length) {
    const size_t end = start + length;
    while (start + 1 < end && text[start] == '0') ++start;
    return text.substr(start, end - start);
}

// An angle of digits in [start, end), negative or not; none beyond 32 bits.
std::optional<int32_t> angleValue(const std::string& text, size_t start, size_t end, bool negative) {
    const int64_t limit = negative ? -int64_t{INT32_MIN} : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    for (size_t i = start; i < end; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

// The first `delimiter` in [start, limit), or `limit`. The search never looks
// past the limit, so that each item costs its own length only.
size_t endOf(const std::string& text, size_t start, size_t limit, char delimiter) {
    const void* found = std::memchr(text.data() + start, delimiter, limit - start);
    return found ? size_t(static_cast<const char*>(found) - text.data()) : limit;
}

// The next page at or after `page` that no later item has taken. Each page is
// taken once and then skipped in one step, so marking is linear in the pages.
class FreePages {
public:
    explicit FreePages(uint32_t last) : next(size_t{last} + 2) { std::iota(next.begin(), next.end(), 0u); }
    uint32_t from(uint32_t page) {
        uint32_t root = page;
        while (next[root] != root) root = next[root];
        while (next[page] != root) page = std::exchange(next[page], root);
        return root;
    }
    bool isFree(uint32_t page) const { return next[page] == page; }
    void take(uint32_t page) { next[page] = page + 1; }

private:
    std::vector<uint32_t> next;
};

// A page given directly inside Kids has no object number and cannot be rewritten.
void markPage(PageRecord& record, int32_t angle, bool upright) {
    if (record.objNum < 0) throw CPdfException(FailureKind::Damaged, message::damaged);
    record.rotation = angle;
    record.selected = 1;
    record.upright = upright ? 1 : 0;
}

}  // namespace

bool PageItemList::usesExtendedForms(const std::string& text) {
    if (text.find_first_of(":~") != std::string::npos) return true;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = endOf(text, start, text.size(), ',');
        if (namedItemAt(text, start, end - start)) return true;
        for (size_t bound = start; bound <= end;) {
            const size_t boundEnd = endOf(text, bound, end, '-');
            if (isFromEnd(text, bound, boundEnd - bound)) return true;
            bound = boundEnd + 1;
        }
        start = end + 1;
    }
    return false;
}

PageItemList::PageItemList(std::string listText, int32_t defaultAngle, bool uprightByDefault)
    : text(std::move(listText)) {
    size_t position = 1;
    for (size_t start = 0; start <= text.size(); ++position) {
        const size_t end = endOf(text, start, text.size(), ',');
        if (end == start) throw CPdfException(FailureKind::Selection, message::emptyListItem(text, position));
        items.push_back(parseItem(start, end - start, defaultAngle, uprightByDefault));
        if (items.size() == 1 && items.front().excludes) fail(items.front(), message::exclusionComesFirst);
        uprightAsked = uprightAsked || items.back().upright;
        start = end + 1;
    }
}

PageItemList::Item PageItemList::parseItem(size_t start, size_t length, int32_t defaultAngle, bool uprightByDefault) {
    Item item;
    item.textStart = start;
    item.textLength = length;
    item.angle = defaultAngle;
    item.upright = uprightByDefault;
    const size_t end = start + length;
    item.excludes = text[start] == '~';
    if (item.excludes) {
        item.upright = false;
        ++start;
    }
    const size_t colon = endOf(text, start, end, ':');
    if (colon < end && item.excludes) fail(item, message::exclusionTakesNoAngle);
    if (colon < end && equals(text, colon + 1, end - colon - 1, "auto")) {
        item.upright = true;
    } else if (colon < end) {
        item.upright = false;
        const size_t angleStart = colon + 1;
        const bool negative = angleStart < end && text[angleStart] == '-';
        const size_t digits = angleStart + (angleStart < end && (text[angleStart] == '+' || negative));
        if (!allDigits(text, digits, end - digits)) fail(item, message::angleNotANumber);
        const std::optional<int32_t> angle = angleValue(text, digits, end, negative);
        if (!angle) fail(item, message::angleBeyondRange);
        item.angle = *angle;
        item.angleGiven = true;
    }
    if (const NamedItem* named = namedItemAt(text, start, colon - start)) {
        item.kind = named->kind;
        shapesNeeded = shapesNeeded || named->kind == Kind::Landscape || named->kind == Kind::Portrait;
        return item;
    }
    const size_t dash = endOf(text, start, colon, '-');
    item.isRange = dash < colon;
    if (item.isRange && endOf(text, dash + 1, colon, '-') < colon) fail(item, message::notAnItem);
    item.first = parseNumber(item, start, dash - start);
    item.last = item.isRange ? parseNumber(item, dash + 1, colon - dash - 1) : item.first;
    return item;
}

PageItemList::PageNumber PageItemList::parseNumber(const Item& item, size_t start, size_t length) const {
    if (equals(text, start, length, "end")) return {1, true, 0, 0};
    if (isFromEnd(text, start, length)) {
        const uint32_t value = digitsValue(text, start + 1, length - 1);
        if (value == 0) fail(item, message::noPageR0);
        return {value, true, start + 1, length - 1};
    }
    if (!allDigits(text, start, length)) fail(item, message::notAnItem);
    const uint32_t value = digitsValue(text, start, length);
    if (value == 0) fail(item, message::pagesCountFromOne);
    return {value, false, start, length};
}

void PageItemList::resolve(uint32_t pageCount) {
    resolvedCount = pageCount;
    for (Item& item : items) {
        switch (item.kind) {
        case Kind::Pages:
            if (item.excludes) {
                resolveExclusion(item, pageCount);
                break;
            }
            item.firstPage = resolveNumber(item, item.first, pageCount);
            item.lastPage = resolveNumber(item, item.last, pageCount);
            if (item.firstPage > item.lastPage)
                fail(item, message::itemRangeBackwards(item.firstPage, item.lastPage), true);
            break;
        case Kind::FirstHalf:
            item.firstPage = 1;
            item.lastPage = pageCount / 2;
            break;
        case Kind::LastHalf:
            item.firstPage = pageCount / 2 + 1;
            item.lastPage = pageCount;
            break;
        default:  // every page, or every page that matches
            item.firstPage = 1;
            item.lastPage = pageCount;
            break;
        }
    }
}

// An exclusion reaches only as far as the file: the pages it names beyond either
// end are none to take out, so one list serves files of any length.
void PageItemList::resolveExclusion(Item& item, uint32_t pageCount) const {
    const auto place = [pageCount](const PageNumber& number) {
        return number.fromEnd ? int64_t{pageCount} - number.value + 1 : int64_t{number.value};
    };
    const int64_t first = place(item.first), last = place(item.last);
    if (first > last && first <= pageCount && last >= 1) fail(item, message::itemRangeBackwards(first, last), true);
    item.firstPage = static_cast<uint32_t>(std::clamp<int64_t>(first, 1, int64_t{pageCount} + 1));
    item.lastPage = static_cast<uint32_t>(std::clamp<int64_t>(last, 0, pageCount));
}

uint32_t PageItemList::resolveNumber(const Item& item, const PageNumber& number, uint32_t pageCount) const {
    if (pageCount == 0) fail(item, message::fileHasNoPages, true);
    if (number.value > pageCount) {
        const std::string typed = typedNumber(text, number.digitsStart, number.digitsLength);
        fail(item, message::itemPageBeyondFile(typed, number.fromEnd, pageCount), true);
    }
    return number.fromEnd ? pageCount - number.value + 1 : number.value;
}

std::string PageItemList::summary() const {
    std::string line;
    for (const Item& item : items) {
        if (!line.empty()) line += ", ";
        if (item.excludes && item.kind == Kind::Pages && item.firstPage > item.lastPage) {
            line += itemText(item);  // beyond the file: no pages of it to show
            continue;
        }
        if (item.excludes) line += '~';
        if (item.kind != Kind::Pages) {
            for (const NamedItem& named : namedItems)
                if (named.kind == item.kind) line += named.name;
        } else {
            line += std::to_string(item.firstPage);
            if (item.isRange) line.append(1, '-').append(std::to_string(item.lastPage));
        }
        if (!item.excludes) line.append(" at ").append(item.upright ? std::string("auto") : std::to_string(item.angle));
    }
    return line;
}

// The items are taken from the last to the first, each marking only the pages
// that no later item has marked; an exclusion takes its pages without marking
// them, so that no earlier item marks them either. A named selection that does not run over a
// range (odd, even, landscape, portrait) is looked at only where it last occurs:
// an earlier occurrence names the same pages, all of them taken by then.
void PageItemList::mark(std::vector<PageRecord>& pages, const std::vector<PageShape>& shapes,
                        std::vector<uint32_t>* markedBy) const {
    const uint32_t last = static_cast<uint32_t>(std::min<uint64_t>(resolvedCount, pages.size()));
    FreePages free(last);
    uint8_t filtersApplied = 0;
    if (markedBy) markedBy->assign(pages.size(), 0);
    for (auto item = items.rbegin(); item != items.rend(); ++item) {
        const uint32_t itemNumber = static_cast<uint32_t>(items.rend() - item);
        const auto markOne = [&](uint32_t page) {
            free.take(page);
            if (item->excludes) return;
            markPage(pages[page - 1], item->angle, item->upright);
            if (markedBy) (*markedBy)[page - 1] = itemNumber;
        };
        const auto matches = [&](uint32_t page) {
            switch (item->kind) {
            case Kind::Odd:
                return page % 2 == 1;
            case Kind::Even:
                return page % 2 == 0;
            case Kind::Landscape:
                return shapes[page - 1] == PageShape::Landscape;
            case Kind::Portrait:
                return shapes[page - 1] != PageShape::Landscape;
            default:
                return true;
            }
        };
        const bool isFilter = item->kind == Kind::Odd || item->kind == Kind::Even || item->kind == Kind::Landscape ||
                              item->kind == Kind::Portrait;
        if (isFilter) {
            const uint8_t bit = uint8_t(1u << static_cast<unsigned>(item->kind));
            if (filtersApplied & bit) continue;
            filtersApplied |= bit;
            for (uint32_t page = 1; page <= last; ++page) {
                if (free.isFree(page) && matches(page)) markOne(page);
            }
            continue;
        }
        const uint32_t end = std::min(item->lastPage, last);
        if (item->firstPage > end) continue;
        for (uint32_t page = free.from(item->firstPage); page <= end; page = free.from(page + 1)) markOne(page);
    }
}

std::vector<PageItemList::ItemAngle> PageItemList::anglesOffQuarterTurns() const {
    std::vector<ItemAngle> found;
    for (const Item& item : items)
        if (item.angleGiven && item.angle % 90 != 0) found.push_back({itemText(item), item.angle});
    return found;
}

void PageItemList::fail(const Item& item, const std::string& reason, bool afterFileOpened) const {
    throw CPdfException(FailureKind::Selection, message::invalidListItem(itemText(item), reason, afterFileOpened));
}
