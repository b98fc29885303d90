#pragma once
// Where a PDF file stores its objects, as qpdf reads it: independent of the
// program, so that the end-to-end tests can find each object's stored bytes.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using ObjectId = std::pair<int, int>;  // number and generation

struct StoredPlace {
    bool inObjectStream = false;
    long offset = 0;  // in the file, as its cross-reference gives it
    int stream = 0;   // in an object stream: its number, and the object's index there
    int index = 0;
};

struct QpdfLayout {
    std::map<ObjectId, StoredPlace> places;  // every object the cross-reference lists (qpdf --show-xref)
    std::set<ObjectId> streams;              // the stream objects among them
    std::set<int> objectStreams;             // the numbers of the object streams
    std::vector<ObjectId> pages;             // the page objects in page order
};

// An encrypted file is read with `password`.
std::optional<QpdfLayout> readQpdfLayout(const std::string& pdf, const std::string& password = "");

// The texts an object stream holds, in its header's order, as qpdf decodes it:
// each from its own offset to the next object's (the last to the end of the data).
// Empty when the stream cannot be read that way.
std::vector<std::string> objectStreamTexts(const std::string& pdf, int stream, const std::string& password = "");

}  // namespace e2e
