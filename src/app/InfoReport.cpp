#include "app/InfoReport.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <tuple>

namespace {

using Json = nlohmann::ordered_json;

// A page's displayed width and height in points to a thousandth of a point, as
// both forms give them; none where its boxes cannot be read, or for a length
// beyond what a number holds.
struct Sides {
    std::optional<double> width, height;
};

std::optional<double> roundedPoints(double points) {
    const double rounded = std::round(points * 1000) / 1000;
    if (!std::isfinite(rounded)) return std::nullopt;
    return rounded;
}

Sides sidesOf(const PageView& view) {
    if (!view.size) return {};
    return {roundedPoints(view.size->width), roundedPoints(view.size->height)};
}

// A whole number of points is written without a fraction.
bool isWhole(double points) { return std::fabs(points) < 1e15 && points == std::trunc(points); }

Json pointsJson(const std::optional<double>& points) {
    if (!points) return nullptr;
    if (isWhole(*points)) return static_cast<int64_t>(*points);
    return *points;
}

// "612", "595.276": the thousandths without the zeros that end them; "?" for none.
std::string pointsText(const std::optional<double>& points) {
    char digits[400];
    if (!points) return "?";
    if (isWhole(*points)) return std::to_string(static_cast<int64_t>(*points));
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, *points, std::chars_format::fixed, 3);
    if (error != std::errc()) return "?";
    std::string text(digits, end);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string dumped(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

const char* orientationName(PageShape shape) { return shape == PageShape::Landscape ? "landscape" : "portrait"; }

Json pageJson(const DocumentDescription::Page& page) {
    const PageView& view = page.view;
    const Sides sides = sidesOf(view);
    Json json;
    json["number"] = page.number;
    json["rotation"] = view.rotation;
    json["width"] = pointsJson(sides.width);
    json["height"] = pointsJson(sides.height);
    json["orientation"] = orientationName(view.shape());
    json["textDirection"] = directionName(view.text);
    json["autoRotation"] = view.uprightRotation ? Json(*view.uprightRotation) : Json(nullptr);
    return json;
}

// The text of each page object as the library dumps it. Pages that show the same
// differ only in their number, the first key: the library's text of what follows
// it is kept for each view met (a bound of them), and the page's number is put in
// front of that. Building and dumping an object for each page would cost more
// than reading the page.
class PageObjects {
public:
    std::string text(const DocumentDescription::Page& page) {
        const Sides sides = sidesOf(page.view);
        const View view{page.view.rotation, sides.width,    sides.height,
                        page.view.shape(),  page.view.text, page.view.uprightRotation};
        auto known = afterNumbers.find(view);
        if (known == afterNumbers.end()) {
            if (afterNumbers.size() >= keptViews) return dumped(pageJson(page));
            const std::string withZero = dumped(pageJson({0, page.view}));  // {"number":0,...}
            const size_t zero = withZero.find(':') + 1;
            numberKey = withZero.substr(0, zero);
            known = afterNumbers.emplace(view, withZero.substr(zero + 1)).first;
        }
        return numberKey + std::to_string(page.number) + known->second;
    }

private:
    using View = std::tuple<int32_t, std::optional<double>, std::optional<double>, PageShape, TextDirection,
                            std::optional<int32_t>>;
    static constexpr size_t keptViews = 4096;
    std::map<View, std::string> afterNumbers;
    std::string numberKey;  // {"number":
};

// Every key but the pages, in the order scripts read them; "pages" comes last.
Json headJson(const DocumentDescription& description) {
    Json json;
    json["file"] = description.file;
    json["pageCount"] = description.pageCount;
    json["version"] = description.version.empty() ? Json(nullptr) : Json(description.version);
    json["encrypted"] = description.encrypted;
    json["signed"] = description.signedFields;
    json["certified"] = description.certified;
    json["objectStreams"] = description.objectStreams;
    json["linearized"] = description.linearized;
    json["repaired"] = description.repaired;
    json["pages"] = Json::array();
    return json;
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }

std::string headLine(const DocumentDescription& description) {
    return "Pages: " + std::to_string(description.pageCount) +
           ", PDF version: " + (description.version.empty() ? "unknown" : description.version) +
           ", encrypted: " + yesNo(description.encrypted) + ", signed: " + yesNo(description.signedFields) +
           ", certified: " + yesNo(description.certified) + ", object streams: " + yesNo(description.objectStreams) +
           ", linearized: " + yesNo(description.linearized) + ", repaired: " + yesNo(description.repaired);
}

// The columns of the page lines: the page number, the rotation shown, the size
// shown (width and height in points), the orientation, where the tops of the
// letters point, and the rotation -rauto would write ("-" where it keeps the
// page). A cell wider than its column pushes the ones after it.
struct Column {
    const char* gap;  // before the cell
    size_t width;
    bool alignedRight;
};
constexpr Column columns[] = {{"", 6, true},     {" ", 9, true},  {" ", 9, true}, {" ", 9, true},
                              {"  ", 12, false}, {" ", 6, false}, {" ", 0, false}};
constexpr size_t columnCount = sizeof columns / sizeof columns[0];

std::string columnLine(const std::string_view (&cells)[columnCount]) {
    std::string line;
    line.reserve(80);
    for (size_t i = 0; i < columnCount; ++i) {
        const size_t padding = columns[i].width > cells[i].size() ? columns[i].width - cells[i].size() : 0;
        line += columns[i].gap;
        if (columns[i].alignedRight) line.append(padding, ' ');
        line += cells[i];
        if (!columns[i].alignedRight && i + 1 < columnCount) line.append(padding, ' ');
    }
    return line;
}

std::string pageLine(const DocumentDescription::Page& page) {
    const PageView& view = page.view;
    const Sides sides = sidesOf(view);
    const std::string number = std::to_string(page.number), rotation = std::to_string(view.rotation),
                      width = pointsText(sides.width), height = pointsText(sides.height),
                      turn = view.uprightRotation ? std::to_string(*view.uprightRotation) : "-";
    return columnLine({number, rotation, width, height, orientationName(view.shape()), directionName(view.text), turn});
}

}  // namespace

void writeInfoText(const DocumentDescription& description, const InfoSink& line) {
    line(headLine(description));
    line(columnLine({"Page", "Rotation", "Width", "Height", "Orientation", "Text", "Auto"}));
    for (const DocumentDescription::Page& page : description.pages) line(pageLine(page));
}

// The head is written by the library with an empty page array, which the pages
// then fill one at a time: every value and name is escaped by the library.
void writeInfoJson(const DocumentDescription& description, const InfoSink& write) {
    const std::string head = dumped(headJson(description));
    const std::string closing = "]}";
    write(head.substr(0, head.size() - closing.size()));
    PageObjects pages;
    for (size_t i = 0; i < description.pages.size(); ++i) {
        if (i > 0) write(",");
        write(pages.text(description.pages[i]));
    }
    write(closing);
}
