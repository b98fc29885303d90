#include "QpdfLayout.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "E2eSupport.h"

namespace e2e {

namespace {

using nlohmann::json;

// qpdf with `arguments`, and the password first when there is one.
ProcessResult qpdf(std::vector<std::string> arguments, const std::string& password) {
    arguments.insert(arguments.begin(), "qpdf");
    if (!password.empty()) arguments.insert(arguments.begin() + 1, "--password=" + password);
    return runProcess(arguments);
}

// qpdf's exit code 3 means it warned, as about a stream whose length is off: what
// it read is still worth comparing byte for byte.
bool succeeded(const ProcessResult& run) { return run.exitCode == 0 || run.exitCode == 3; }

ObjectId idOf(const std::string& reference) {  // "12 0 R" or "12 0"
    std::istringstream parts(reference);
    ObjectId id{-1, -1};
    parts >> id.first >> id.second;
    return id;
}

// Lines such as "7/0: uncompressed; offset = 15" and "8/0: compressed; stream = 5, index = 1".
bool readPlaces(const std::string& pdf, const std::string& password, QpdfLayout& layout) {
    const ProcessResult shown = qpdf({"--show-xref", pdf}, password);
    if (!succeeded(shown)) return false;
    static const std::regex direct(R"((\d+)/(\d+): uncompressed; offset = (\d+))");
    static const std::regex packed(R"((\d+)/(\d+): compressed; stream = (\d+), index = (\d+))");
    std::istringstream lines(shown.output);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        StoredPlace place;
        if (std::regex_match(line, match, direct)) {
            place.offset = std::stol(match[3]);
        } else if (std::regex_match(line, match, packed)) {
            place = {true, 0, std::stoi(match[3]), std::stoi(match[4])};
        } else {
            return false;
        }
        layout.places[{std::stoi(match[1]), std::stoi(match[2])}] = place;
    }
    return true;
}

bool readObjectsAndPages(const std::string& pdf, const std::string& password, QpdfLayout& layout) {
    const ProcessResult shown =
        qpdf({"--json=2", "--json-key=qpdf", "--json-key=pages", "--json-stream-data=none", pdf}, password);
    const json document = json::parse(shown.output, nullptr, false);
    if (!succeeded(shown) || document.is_discarded()) return false;
    for (const auto& [key, value] : document["qpdf"][1].items()) {
        if (key.rfind("obj:", 0) != 0 || !value.contains("stream")) continue;
        const ObjectId id = idOf(key.substr(4));
        layout.streams.insert(id);
        if (value["stream"]["dict"].value("/Type", json()) == "/ObjStm") layout.objectStreams.insert(id.first);
    }
    for (const json& page : document["pages"]) layout.pages.push_back(idOf(page["object"]));
    return true;
}

long dictionaryNumber(const std::string& dictionary, const char* key) {
    std::smatch match;
    const std::regex pattern(std::string("/") + key + R"(\s+(\d+))");
    return std::regex_search(dictionary, match, pattern) ? std::stol(match[1]) : -1;
}

}  // namespace

std::optional<QpdfLayout> readQpdfLayout(const std::string& pdf, const std::string& password) {
    QpdfLayout layout;
    if (!readPlaces(pdf, password, layout) || !readObjectsAndPages(pdf, password, layout)) return std::nullopt;
    return layout;
}

std::vector<std::string> objectStreamTexts(const std::string& pdf, int stream, const std::string& password) {
    const std::string which = "--show-object=" + std::to_string(stream);
    const ProcessResult dictionary = qpdf({which, pdf}, password);
    const ProcessResult data = qpdf({which, "--filtered-stream-data", pdf}, password);
    const long count = dictionaryNumber(dictionary.output, "N"), first = dictionaryNumber(dictionary.output, "First");
    if (!succeeded(dictionary) || !succeeded(data) || count < 0 || first < 0) return {};
    std::istringstream header(data.output.substr(0, static_cast<size_t>(first)));
    std::vector<long> offsets;
    for (long number, offset; static_cast<long>(offsets.size()) < count && header >> number >> offset;)
        offsets.push_back(first + offset);
    offsets.push_back(static_cast<long>(data.output.size()));
    if (static_cast<long>(offsets.size()) != count + 1 || !std::is_sorted(offsets.begin(), offsets.end())) return {};
    std::vector<std::string> texts;
    for (size_t i = 0; i + 1 < offsets.size(); ++i) {
        const auto start = static_cast<size_t>(offsets[i]), end = static_cast<size_t>(offsets[i + 1]);
        texts.push_back(data.output.substr(start, end - start));
    }
    return texts;
}

}  // namespace e2e
