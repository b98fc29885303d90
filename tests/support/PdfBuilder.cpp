#include "PdfBuilder.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "model/PdfException.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

std::string deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
    out.resize(size);
    return out;
}

std::string pngUp(const std::string& data, size_t columns) {
    std::string out, previous(columns, '\0');
    for (size_t row = 0; row < data.size(); row += columns) {
        out += '\2';
        for (size_t i = 0; i < columns; ++i) {
            const char byte = row + i < data.size() ? data[row + i] : '\0';
            out += char(byte - previous[i]);
            previous[i] = byte;
        }
    }
    return out;
}

}  // namespace

PdfBuilder::PdfBuilder(const std::string& junk, bool offsetsFromFileStart)
    : text(junk + "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n"), headerStart(offsetsFromFileStart ? 0 : junk.size()) {
    entry(0, 0, 0, 65535);
}

PdfBuilder::~PdfBuilder() {
    for (const std::string& path : written) std::remove(path.c_str());
}

PdfBuilder& PdfBuilder::raw(const std::string& bytes) {
    text += bytes;
    return *this;
}

uint32_t PdfBuilder::object(int number, const std::string& body, int generation) {
    const uint32_t at = offset();
    entry(number, 1, at, generation);
    text += std::to_string(number) + " " + std::to_string(generation) + " obj\n" + body + "\nendobj\n";
    return at;
}

uint32_t PdfBuilder::stream(int number, const std::string& entries, const std::string& data, bool flate,
                            int pngColumns) {
    std::string encoded = data, filter;
    if (pngColumns > 0) {
        encoded = pngUp(data, size_t(pngColumns));
        filter = " /DecodeParms << /Predictor 12 /Columns " + std::to_string(pngColumns) + " >>";
    }
    if (flate) encoded = deflate(encoded), filter += " /Filter /FlateDecode";
    return object(number, "<< " + entries + filter + " /Length " + std::to_string(encoded.size()) + " >>\nstream\n" +
                              encoded + "\nendstream");
}

uint32_t PdfBuilder::objectStream(int number, const std::vector<std::pair<int, std::string>>& objects) {
    std::string header, body;
    for (const auto& [objectNumber, objectText] : objects) {
        if (!body.empty()) body += "\n";
        header += std::to_string(objectNumber) + " " + std::to_string(body.size()) + " ";
        body += objectText;
    }
    const std::string layout = "/N " + std::to_string(objects.size()) + " /First " + std::to_string(header.size());
    const uint32_t at = stream(number, "/Type /ObjStm " + layout, header + body);
    for (size_t k = 0; k < objects.size(); ++k) entry(objects[k].first, 2, uint32_t(number), int(k));
    return at;
}

std::vector<std::pair<int, int>> PdfBuilder::listedRuns() const {
    std::vector<std::pair<int, int>> runs;
    for (const auto& [number, listedEntry] : listed) {
        if (!runs.empty() && runs.back().first + runs.back().second == number) ++runs.back().second;
        else runs.emplace_back(number, 1);
    }
    return runs;
}

uint32_t PdfBuilder::table(const std::string& trailerEntries) {
    const uint32_t at = offset();
    text += "xref\n";
    for (const auto& [first, count] : listedRuns()) {
        text += std::to_string(first) + " " + std::to_string(count) + "\n";
        for (int number = first; number < first + count; ++number) {
            const Entry& e = listed.at(number);
            char line[21];
            std::snprintf(line, sizeof line, "%010u %05d %c \n", e.field2, e.field3, e.type ? 'n' : 'f');
            text += line;
        }
    }
    text += "trailer\n<< " + trailerEntries + " >>\n";
    listed.clear();
    return at;
}

uint32_t PdfBuilder::xrefStream(int number, const std::string& entries, bool flate) {
    entry(number, 1, offset(), 0);
    std::string index, records;
    for (const auto& [first, count] : listedRuns()) index += std::to_string(first) + " " + std::to_string(count) + " ";
    for (const auto& [n, e] : listed) {
        const char record[7] = {char(e.type),   char(e.field2 >> 24), char(e.field2 >> 16), char(e.field2 >> 8),
                                char(e.field2), char(e.field3 >> 8),  char(e.field3)};
        records.append(record, sizeof record);
    }
    const std::string size = std::to_string(listed.rbegin()->first + 1);
    listed.clear();
    return stream(number, "/Type /XRef /Size " + size + " /W [1 4 2] /Index [" + index + "] " + entries, records,
                  flate);
}

PdfBuilder& PdfBuilder::startxref(uint32_t sectionOffset) {
    return raw("startxref\n" + std::to_string(sectionOffset) + "\n%%EOF\n");
}

std::string PdfBuilder::write() {
    std::string path = (std::filesystem::temp_directory_path() / "folioturn-test-XXXXXX").string();
    const int descriptor = mkstemp(path.data());
    if (descriptor < 0) throw std::runtime_error("cannot create " + path);
    written.push_back(path);
    const bool complete = ::write(descriptor, text.data(), text.size()) == ssize_t(text.size());
    close(descriptor);
    if (!complete) throw std::runtime_error("cannot write " + path);
    return path;
}

CPdfXRef& PdfBuilder::open(CPdfDocument& document, bool repair) {
    document.open(write().c_str(), repair ? ReadMode::Recovering : ReadMode::Strict);
    return *document.xref();
}

std::string PdfBuilder::openFailure(bool repair) {
    CPdfDocument document;
    try {
        open(document, repair);
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    return "";
}

std::string describe(const CPdfElement& object) {
    if (object.is(ElementType::String)) return object.text();
    if (object.is(ElementType::Integer)) return std::to_string(object.integer());
    return "kind " + std::to_string(int(object.type()));
}

std::string fetched(CPdfXRef& xref, int number, int generation) {
    CPdfElement object;
    xref.fetchObject(number, generation, object);
    return describe(object);
}
