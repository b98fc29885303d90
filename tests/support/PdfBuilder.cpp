#include "PdfBuilder.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "model/PdfException.h"
#include "xref/PdfDocument.h"

PdfBuilder::PdfBuilder(const std::string& junk, bool offsetsFromFileStart)
    : text(junk + "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n"), headerStart(offsetsFromFileStart ? 0 : junk.size()) {
    listed[0] = {0, 0, 65535};
}

PdfBuilder::~PdfBuilder() {
    for (const std::string& path : written) std::remove(path.c_str());
}

uint32_t PdfBuilder::offset() const { return static_cast<uint32_t>(text.size() - headerStart); }

PdfBuilder& PdfBuilder::raw(const std::string& bytes) {
    text += bytes;
    return *this;
}

uint32_t PdfBuilder::object(int number, const std::string& body, int generation) {
    const uint32_t at = offset();
    listed[number] = {1, at, generation};
    text += std::to_string(number) + " " + std::to_string(generation) + " obj\n" + body + "\nendobj\n";
    return at;
}

uint32_t PdfBuilder::stream(int number, const std::string& entries, const std::string& data, Encoding encoding) {
    std::string encoded = data;
    std::string filter;
    if (encoding.pngColumns > 0) {
        encoded = pngUp(encoded, encoding.pngColumns);
        filter = " /DecodeParms << /Predictor 12 /Columns " + std::to_string(encoding.pngColumns) + " >>";
    }
    if (encoding.flate) {
        encoded = deflate(encoded);
        filter += " /Filter /FlateDecode";
    }
    return object(number, "<< " + entries + filter + " /Length " + std::to_string(encoded.size()) +
                              " >>\nstream\n" + encoded + "\nendstream");
}

uint32_t PdfBuilder::objectStream(int number, const std::vector<std::pair<int, std::string>>& objects) {
    std::string header, body;
    for (size_t k = 0; k < objects.size(); ++k) {
        if (k > 0) body += "\n";
        header += std::to_string(objects[k].first) + " " + std::to_string(body.size()) + " ";
        body += objects[k].second;
    }
    const uint32_t at = stream(number, "/Type /ObjStm /N " + std::to_string(objects.size()) + " /First " +
                                           std::to_string(header.size()), header + body);
    for (size_t k = 0; k < objects.size(); ++k) listed[objects[k].first] = {2, static_cast<uint32_t>(number), int(k)};
    return at;
}

void PdfBuilder::entry(int number, int type, uint32_t field2, int field3) { listed[number] = {type, field2, field3}; }

std::vector<std::pair<int, int>> PdfBuilder::runs() const {
    std::vector<std::pair<int, int>> result;
    for (const auto& [number, entry] : listed) {
        if (!result.empty() && result.back().first + result.back().second == number) ++result.back().second;
        else result.emplace_back(number, 1);
    }
    return result;
}

uint32_t PdfBuilder::table(const std::string& trailerEntries) {
    const uint32_t at = offset();
    text += "xref\n";
    for (const auto& [first, count] : runs()) {
        text += std::to_string(first) + " " + std::to_string(count) + "\n";
        for (int number = first; number < first + count; ++number) {
            const Entry& entry = listed.at(number);
            char line[21];
            std::snprintf(line, sizeof line, "%010u %05d %c \n", entry.field2, entry.field3, entry.type ? 'n' : 'f');
            text += line;
        }
    }
    text += "trailer\n<< " + trailerEntries + " >>\n";
    listed.clear();
    return at;
}

uint32_t PdfBuilder::xrefStream(int number, const std::string& entries, Encoding encoding) {
    listed[number] = {1, offset(), 0};
    std::string records, index;
    for (const auto& [first, count] : runs()) index += std::to_string(first) + " " + std::to_string(count) + " ";
    for (const auto& [n, entry] : listed) {
        const uint32_t f2 = entry.field2;
        const char record[7] = {char(entry.type), char(f2 >> 24), char(f2 >> 16), char(f2 >> 8), char(f2),
                                char(entry.field3 >> 8), char(entry.field3)};
        records.append(record, sizeof record);
    }
    const std::string dictionary = "/Type /XRef /Size " + std::to_string(listed.rbegin()->first + 1) +
                                   " /W [1 4 2] /Index [" + index + "] " + entries;
    listed.clear();
    return stream(number, dictionary, records, encoding);
}

PdfBuilder& PdfBuilder::startxref(uint32_t sectionOffset) {
    text += "startxref\n" + std::to_string(sectionOffset) + "\n%%EOF\n";
    return *this;
}

std::string PdfBuilder::write() {
    std::string path = (std::filesystem::temp_directory_path() / "folioturn-test-XXXXXX").string();
    const int descriptor = mkstemp(path.data());
    if (descriptor < 0) throw std::runtime_error("cannot create " + path);
    const bool complete = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(descriptor);
    written.push_back(path);
    if (!complete) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
    out.resize(size);
    return out;
}

std::string pngUp(const std::string& data, int columns) {
    std::string out, previous(static_cast<size_t>(columns), '\0');
    for (size_t row = 0; row < data.size(); row += static_cast<size_t>(columns)) {
        out += '\2';
        for (int i = 0; i < columns; ++i) {
            const char byte = row + i < data.size() ? data[row + i] : '\0';
            out += static_cast<char>(byte - previous[static_cast<size_t>(i)]);
            previous[static_cast<size_t>(i)] = byte;
        }
    }
    return out;
}

std::string openFailure(const std::string& path) {
    CPdfDocument document;
    try {
        document.open(path.c_str());
    } catch (const CPdfException& failure) {
        return failure.messageText();
    }
    return "";
}
