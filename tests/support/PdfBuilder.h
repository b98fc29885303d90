#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Lays out a PDF file in memory for tests and writes it to a temporary file, which
// is removed with the builder. Offsets count from the "%PDF-" header, as the
// cross-reference counts them, unless the builder is told to count from the file's start.
struct StreamEncoding {
    bool flate = false;
    int pngColumns = 0;  // PNG Up predictor (Predictor 12) over rows this wide
};

class PdfBuilder {
public:
    using Encoding = StreamEncoding;

    explicit PdfBuilder(const std::string& junk = "", bool offsetsFromFileStart = false);
    ~PdfBuilder();
    PdfBuilder(const PdfBuilder&) = delete;
    PdfBuilder& operator=(const PdfBuilder&) = delete;

    uint32_t offset() const;
    PdfBuilder& raw(const std::string& bytes);
    // "N G obj\n" body "\nendobj\n", listed as in use in the next section.
    uint32_t object(int number, const std::string& body, int generation = 0);
    // A stream object; /Length (and the filter entries) follow `entries` in its dictionary.
    uint32_t stream(int number, const std::string& entries, const std::string& data, Encoding encoding = {});
    // An object stream of (number, text) objects with its N, First and header pairs.
    uint32_t objectStream(int number, const std::vector<std::pair<int, std::string>>& objects);
    // Lists an entry by hand: type 0 free, 1 in use at `field2`, 2 in object stream `field2`.
    void entry(int number, int type, uint32_t field2, int field3);
    // A classic table of the entries listed since the last section, then its trailer.
    uint32_t table(const std::string& trailerEntries);
    // A cross-reference stream (W [1 4 2]) of those entries and of itself.
    uint32_t xrefStream(int number, const std::string& entries, Encoding encoding = {});
    PdfBuilder& startxref(uint32_t sectionOffset);

    std::string write();
    const std::string& bytes() const { return text; }

private:
    struct Entry {
        int type;
        uint32_t field2;
        int field3;
    };
    std::vector<std::pair<int, int>> runs() const;  // (first, count) of the listed numbers

    std::string text;
    size_t headerStart;
    std::map<int, Entry> listed;
    std::vector<std::string> written;
};

// The PDF format's Flate encoding, and its PNG Up predictor applied before it.
std::string deflate(const std::string& data);
std::string pngUp(const std::string& data, int columns);

// The message that opening `path` as a document throws; empty when it opens.
std::string openFailure(const std::string& path);
