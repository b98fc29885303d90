// Turning the page selection into marks on the job's page records.
#include "pages/PageList.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/PdfException.h"

namespace {

// A token's value as strtol reads it in base 10, saturated to 32 bits and then
// taken as unsigned, as the checks compare it.
uint32_t tokenValue(const std::string& token) {
    long long value = std::strtoll(token.c_str(), nullptr, 10);
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

void appendPage(std::string& text, uint64_t page) {
    text.push_back(',');
    text.append(std::to_string(page));
}

constexpr const char* invalidParameter = "Invalid parameter\n";

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

// A page that passes the count check but has no record (the declared count
// exceeds the pages found) is skipped. A page given directly inside Kids has no
// object number and cannot be rewritten.
void markPage(std::vector<PageRecord>& pages, uint32_t page, int32_t rotation) {
    if (page == 0 || page > pages.size()) return;
    PageRecord& record = pages[page - 1];
    if (record.objNum < 0) throw CPdfException("PDF file was damaged");
    record.rotation = rotation;
    record.selected = 1;
}

}  // namespace

void markPageList(const char* pageList, uint32_t pageCount, int32_t rotation, std::vector<PageRecord>& pages) {
    const std::string text(pageList);
    if (text.size() > 2 && text.find_first_not_of("0123456789-,", 2) != std::string::npos)
        throw CPdfException(invalidParameter);

    size_t position = 0;
    uint32_t rangeStart = 0;
    bool inRange = false;
    for (;;) {
        const size_t delimiter = text.find_first_of("-,", position);
        const size_t tokenEnd = delimiter == std::string::npos ? text.size() : delimiter;
        const std::string token = text.substr(position, tokenEnd - position);
        if (token.empty()) throw CPdfException(invalidParameter);
        const uint32_t value = tokenValue(token);
        if (value == 0) throw CPdfException::formatted("Invalid page number %d", static_cast<int>(value));
        const bool endsInDash = delimiter != std::string::npos && text[delimiter] == '-';
        if (inRange) {
            if (endsInDash) throw CPdfException(invalidParameter);
            if (value > pageCount)
                throw CPdfException::formatted("Wrong page ranges, %d greater than %d pages in file",
                                               static_cast<int>(value), static_cast<int>(pageCount));
            if (rangeStart > value)
                throw CPdfException::formatted("Wrong page ranges, start page %d > end page %d",
                                               static_cast<int>(rangeStart), static_cast<int>(value));
            const uint64_t last = std::min<uint64_t>(value, pages.size());
            for (uint64_t page = rangeStart; page <= last; ++page)
                markPage(pages, static_cast<uint32_t>(page), rotation);
            inRange = false;
            rangeStart = 0;
        } else if (endsInDash) {
            inRange = true;
            rangeStart = value;
        } else {
            if (value > pageCount)
                throw CPdfException::formatted("Page number %d greater than %d pages in file", static_cast<int>(value),
                                               static_cast<int>(pageCount));
            markPage(pages, value, rotation);
        }
        if (delimiter == std::string::npos) return;
        position = delimiter + 1;
    }
}
