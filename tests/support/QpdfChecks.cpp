// Checks of output files through qpdf, an independent reader.
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "E2eSupport.h"

namespace e2e {

using nlohmann::json;

namespace {

// qpdf's arguments before the file: the password, when there is one.
std::vector<std::string> qpdfWith(std::vector<std::string> arguments, const std::string& password) {
    if (!password.empty()) arguments.insert(arguments.begin() + 1, "--password=" + password);
    return arguments;
}

}  // namespace

testing::AssertionResult qpdfCheckClean(const std::string& pdf, const std::string& password) {
    const ProcessResult check = runProcess(qpdfWith({"qpdf", "--check", pdf}, password), "", true);
    if (check.exitCode == 0 && check.output.find("WARNING") == std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "qpdf --check " << pdf << " exit " << check.exitCode << ":\n" << check.output;
}

namespace {

// A file as qpdf reads it: objects by "N G R", the page objects in order, the trailer.
struct QpdfView {
    std::map<std::string, json> objects;
    std::vector<std::string> pages;
    json trailer;
};

long numberOf(const std::string& key) { return std::stol(key); }
long generationOf(const std::string& key) { return std::stol(key.substr(key.find(' '))); }

std::optional<QpdfView> readWithQpdf(const std::string& pdf, const std::string& password = "") {
    const ProcessResult shown = runProcess(qpdfWith({"qpdf", "--json=2", "--json-stream-data=inline",
                                                     "--decode-level=none", "--json-key=qpdf", "--json-key=pages", pdf},
                                                    password));
    const json document = json::parse(shown.output, nullptr, false);
    if (shown.exitCode != 0 || document.is_discarded()) return std::nullopt;
    QpdfView view;
    std::map<long, long> newest;  // qpdf lists every generation some section gives; the highest is live
    for (const auto& [key, value] : document["qpdf"][1].items()) {
        if (key == "trailer") {
            view.trailer = value["value"];
            continue;
        }
        view.objects[key.substr(4)] = value;  // "obj:1 0 R" -> "1 0 R"
        long& generation = newest.try_emplace(numberOf(key.substr(4)), 0).first->second;
        generation = std::max(generation, generationOf(key.substr(4)));
    }
    std::erase_if(view.objects,
                  [&](const auto& item) { return generationOf(item.first) < newest[numberOf(item.first)]; });
    for (const json& page : document["pages"]) view.pages.push_back(page["object"]);
    return view;
}

// Object streams and cross-reference streams are the input's packing, not its content.
bool isPacking(const json& object) {
    const json type = object.contains("stream") ? object["stream"]["dict"].value("/Type", json()) : json();
    return type == "/ObjStm" || type == "/XRef";
}

json& dictionaryOf(json& object) { return object.contains("stream") ? object["stream"]["dict"] : object["value"]; }

}  // namespace

namespace {

// Follows "N G R" strings to their objects' values, a few steps at most.
json resolved(QpdfView& view, json value) {
    for (int step = 0; step < 8 && value.is_string() && value.get<std::string>().ends_with(" R"); ++step) {
        const auto found = view.objects.find(value.get<std::string>());
        if (found == view.objects.end()) return json();
        value = found->second.value("value", json());
    }
    return value;
}

long shownRotation(QpdfView& view, const std::string& page) {
    std::string node = page;
    for (int depth = 0; depth < 64; ++depth) {
        const auto found = view.objects.find(node);
        if (found == view.objects.end()) return 0;
        json& dictionary = dictionaryOf(found->second);
        const json rotate = resolved(view, dictionary.value("/Rotate", json()));
        if (rotate.is_number()) return rotate.get<long>();
        if (!dictionary.contains("/Parent") || !dictionary["/Parent"].is_string()) return 0;
        node = dictionary["/Parent"].get<std::string>();
    }
    return 0;
}

}  // namespace

namespace {

// A box as the dictionary holds it or inherits it: four numbers, or none.
std::vector<double> inheritedBox(QpdfView& view, const std::string& page, const char* key) {
    std::string node = page;
    for (int depth = 0; depth < 64; ++depth) {
        const auto found = view.objects.find(node);
        if (found == view.objects.end()) return {};
        json& dictionary = dictionaryOf(found->second);
        const json box = resolved(view, dictionary.value(key, json()));
        if (!box.is_null()) {
            std::vector<double> corners;
            for (const json& corner : box.is_array() ? box : json::array()) {
                const json number = resolved(view, corner);
                if (number.is_number()) corners.push_back(number.get<double>());
            }
            return corners.size() == 4 ? corners : std::vector<double>{};
        }
        if (!dictionary.contains("/Parent") || !dictionary["/Parent"].is_string()) return {};
        node = dictionary["/Parent"].get<std::string>();
    }
    return {};
}

}  // namespace

std::optional<std::vector<QpdfPageGeometry>> qpdfPageGeometry(const std::string& pdf, const std::string& password) {
    std::optional<QpdfView> view = readWithQpdf(pdf, password);
    if (!view) return std::nullopt;
    std::vector<QpdfPageGeometry> pages;
    for (const std::string& page : view->pages)
        pages.push_back({shownRotation(*view, page), inheritedBox(*view, page, "/MediaBox"),
                         inheritedBox(*view, page, "/CropBox")});
    return pages;
}

std::vector<long> shownRotations(const std::string& pdf) {
    std::optional<QpdfView> view = readWithQpdf(pdf);
    std::vector<long> rotations;
    if (!view) return rotations;
    for (const std::string& page : view->pages) rotations.push_back(shownRotation(*view, page));
    return rotations;
}

testing::AssertionResult isRotatedCopy(const std::string& input, const std::string& output,
                                       const std::string& rotations, const std::string& password) {
    std::optional<QpdfView> before = readWithQpdf(input, password), after = readWithQpdf(output, password);
    if (!before || !after) return testing::AssertionFailure() << "qpdf cannot read " << (before ? output : input);
    if (before->pages != after->pages)
        return testing::AssertionFailure() << "pages " << json(after->pages) << ", expected " << json(before->pages);
    std::istringstream tokens(rotations);
    std::string token;
    for (size_t i = 0; i < before->pages.size() && tokens >> token; ++i) {
        if (token == ".") continue;
        json& page = dictionaryOf(after->objects[before->pages[i]]);
        if (page.value("/Rotate", json()) != json(std::stol(token)) || !page["/Rotate"].is_number_integer())
            return testing::AssertionFailure()
                   << "page " << i + 1 << ": /Rotate " << page["/Rotate"] << ", expected " << token;
        page.erase("/Rotate");
        dictionaryOf(before->objects[before->pages[i]]).erase("/Rotate");
    }
    for (const auto& [key, object] : before->objects) {
        if (isPacking(object)) continue;
        const auto found = after->objects.find(key);
        if (found == after->objects.end()) return testing::AssertionFailure() << "object " << key << " is missing";
        if (found->second != object)
            return testing::AssertionFailure()
                   << "object " << key << " is " << found->second << ", expected " << object;
    }
    for (const auto& [key, object] : after->objects)
        if (!isPacking(object) && !before->objects.count(key))
            return testing::AssertionFailure() << "object " << key << " was added: " << object;
    for (const char* key : {"/Root", "/Info"})
        if (before->trailer.value(key, json()) != after->trailer.value(key, json()))
            return testing::AssertionFailure() << "trailer " << key << " is " << after->trailer.value(key, json());
    return testing::AssertionSuccess();
}

namespace {

std::string base64Decoded(const std::string& text) {
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0, held = 0;
    for (const char c : text) {
        const size_t value = digits.find(c);
        if (value == std::string::npos) continue;  // "=" padding
        bits = bits << 6 | static_cast<unsigned>(value);
        if ((held += 6) >= 8) bytes += static_cast<char>(bits >> (held -= 8) & 0xFF);
    }
    return bytes;
}

// The decoded data of the stream that `reference` ("N G R") names; empty when it is no stream.
std::string streamData(const json& objects, const json& reference) {
    const json object = reference.is_string() ? objects.value("obj:" + reference.get<std::string>(), json()) : json();
    if (!object.contains("stream")) return "";
    return base64Decoded(object["stream"].value("data", ""));
}

}  // namespace

std::optional<std::vector<QpdfPage>> qpdfPages(const std::string& pdf) {
    const ProcessResult shown = runProcess({"qpdf", "--json=2", "--json-key=pages", "--json-key=qpdf",
                                            "--json-stream-data=inline", "--decode-level=specialized", pdf});
    const json document = json::parse(shown.output, nullptr, false);
    const bool read = shown.exitCode == 0 || shown.exitCode == 3;  // 3: with warnings, as for a repaired file
    if (!read || document.is_discarded() || !document.contains("pages")) return std::nullopt;
    const json objects = document["qpdf"][1];
    std::vector<QpdfPage> pages;
    for (const json& page : document["pages"]) {
        const json object = objects.value("obj:" + page.value("object", std::string()), json());
        const json dictionary = object.contains("stream") ? object["stream"]["dict"] : object.value("value", json());
        QpdfPage view{dictionary.is_object() ? dictionary.value("/Rotate", json()).dump() : "null", ""};
        for (const json& content : page["contents"]) view.contents += streamData(objects, content);
        pages.push_back(view);
    }
    return pages;
}

}  // namespace e2e
