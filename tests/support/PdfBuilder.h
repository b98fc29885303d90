#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CPdfDocument;
class CPdfElement;
class CPdfXRef;

// Lays out a PDF file in memory for tests. Offsets count from the "%PDF-" header, as
// the cross-reference counts them, unless the builder counts from the file's start.
// Written files are removed with the builder.
class PdfBuilder {
public:
    explicit PdfBuilder(const std::string& junk = "", bool offsetsFromFileStart = false);
    ~PdfBuilder();

    uint32_t offset() const { return uint32_t(text.size() - headerStart); }
    const std::string& bytes() const { return text; }
    PdfBuilder& raw(const std::string& bytes);
    // Lists an entry for the next section: type 0 free, 1 at offset `field2`, 2 in object stream `field2`.
    void entry(int number, int type, uint32_t field2, int field3) { listed[number] = {type, field2, field3}; }
    // "N G obj\n" body "\nendobj\n"; the other writers return the offset of their object too.
    uint32_t object(int number, const std::string& body, int generation = 0);
    // /Length and the filter entries follow `entries`; pngColumns > 0 applies the PNG Up predictor.
    uint32_t stream(int number, const std::string& entries, const std::string& data, bool flate = false,
                    int pngColumns = 0);
    uint32_t objectStream(int number, const std::vector<std::pair<int, std::string>>& objects);
    // A classic table, or a cross-reference stream with W [1 4 2], of the entries listed since the last section.
    uint32_t table(const std::string& trailerEntries);
    uint32_t xrefStream(int number, const std::string& entries, bool flate = false);
    PdfBuilder& startxref(uint32_t sectionOffset);

    std::string write();
    CPdfXRef& open(CPdfDocument& document, bool repair = false);
    std::string openFailure(bool repair = false);  // the message that opening throws; empty when it opens

private:
    std::vector<std::pair<int, int>> listedRuns() const;

    struct Entry {
        int type;
        uint32_t field2;
        int field3;
    };
    std::string text;
    size_t headerStart;
    std::map<int, Entry> listed;
    std::vector<std::string> written;
};

// A string's text, an integer's digits, or else the kind number ("kind 5" for Null).
std::string describe(const CPdfElement& object);
std::string fetched(CPdfXRef& xref, int number, int generation = 0);
