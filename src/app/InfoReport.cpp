#include "app/InfoReport.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

namespace {

using Json = nlohmann::ordered_json;

// A length in points to a thousandth of a point, a whole number without a
// fraction; null for one beyond what a number can hold.
Json pointsValue(double points) {
    const double rounded = std::round(points * 1000) / 1000;
    if (!std::isfinite(rounded)) return nullptr;
    if (std::fabs(rounded) < 1e15 && rounded == std::trunc(rounded)) return static_cast<int64_t>(rounded);
    return rounded;
}

// The page's displayed width and height in points; nulls where its boxes cannot be read.
std::pair<Json, Json> sizeValues(const PageView& view) {
    if (!view.size) return {nullptr, nullptr};
    return {pointsValue(view.size->width), pointsValue(view.size->height)};
}

std::string dumped(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

const char* orientationName(PageShape shape) { return shape == PageShape::Landscape ? "landscape" : "portrait"; }

Json pageJson(const DocumentDescription::Page& page) {
    const PageView& view = page.view;
    Json json;
    json["number"] = page.number;
    json["rotation"] = view.rotation;
    const auto [width, height] = sizeValues(view);
    json["width"] = width;
    json["height"] = height;
    json["orientation"] = orientationName(view.shape());
    json["textDirection"] = directionName(view.text);
    json["autoRotation"] = view.uprightRotation ? Json(*view.uprightRotation) : Json(nullptr);
    return json;
}

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
// letters point, and the rotation -rauto would write ("-" where it keeps the page).
constexpr const char* columns = "%6s %9s %9s %9s  %-12s %-6s %s";

std::string columnLine(const std::string& number, const std::string& rotation, const std::string& width,
                       const std::string& height, const char* orientation, const char* text, const std::string& turn) {
    const int length = std::snprintf(nullptr, 0, columns, number.c_str(), rotation.c_str(), width.c_str(),
                                     height.c_str(), orientation, text, turn.c_str());
    std::string line(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(line.data(), line.size(), columns, number.c_str(), rotation.c_str(), width.c_str(), height.c_str(),
                  orientation, text, turn.c_str());
    line.pop_back();
    return line;
}

std::string pointsText(const Json& points) { return points.is_null() ? "?" : points.dump(); }

std::string pageLine(const DocumentDescription::Page& page) {
    const PageView& view = page.view;
    const auto [width, height] = sizeValues(view);
    return columnLine(std::to_string(page.number), std::to_string(view.rotation), pointsText(width), pointsText(height),
                      orientationName(view.shape()), directionName(view.text),
                      view.uprightRotation ? std::to_string(*view.uprightRotation) : "-");
}

}  // namespace

void writeInfoText(const DocumentDescription& description, const InfoSink& line) {
    line(headLine(description));
    line(columnLine("Page", "Rotation", "Width", "Height", "Orientation", "Text", "Auto"));
    for (const DocumentDescription::Page& page : description.pages) line(pageLine(page));
}

// The head is written by the library with an empty page array, which the pages
// then fill one at a time: every value and name is escaped by the library.
void writeInfoJson(const DocumentDescription& description, const InfoSink& write) {
    const std::string head = dumped(headJson(description));
    const std::string closing = "]}";
    write(head.substr(0, head.size() - closing.size()));
    for (size_t i = 0; i < description.pages.size(); ++i) {
        if (i > 0) write(",");
        write(dumped(pageJson(description.pages[i])));
    }
    write(closing);
}
