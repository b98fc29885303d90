// Every object that is not a selected page leaves the program exactly as the input
// stores it. The input's objects are found through qpdf, not through the program:
// an object stored in the file is compared from its header at its cross-reference
// offset through "endobj" and the byte after it (kept when it is white space, a line
// feed otherwise); an object from an object stream is compared with its text in
// the decoded stream, framed as "N 0 obj\r" ... " endobj\r"; a selected page may
// differ only in its own /Rotate.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>

#include "E2eSupport.h"
#include "QpdfLayout.h"

namespace {

using namespace e2e;

bool isPdfWhiteSpace(char c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

std::string headerOf(ObjectId id) { return std::to_string(id.first) + " " + std::to_string(id.second) + " obj"; }

// Line ends and bytes outside printable ASCII written out, so that they show in a failure.
std::string visible(const std::string& bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') text += "\\r";
        else if (c == '\n') text += "\\n";
        else if (byte < 32 || byte > 126 || c == '\\') text += std::string("\\x") + hex[byte >> 4] + hex[byte & 15];
        else text += c;
    }
    return text;
}

// Shows where the bytes part, with a little of what comes before.
testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual) {
    if (expected == actual) return testing::AssertionSuccess();
    const size_t at =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first - expected.begin();
    const size_t from = at > 24 ? at - 24 : 0;
    return testing::AssertionFailure() << "bytes differ at " << at << " of " << expected.size() << " (output has "
                                       << actual.size() << "):\n  input:  ..." << visible(expected.substr(from, 48))
                                       << "\n  output: ..." << visible(actual.substr(from, 48));
}

// A file's bytes and its layout, with offsets counted from its "%PDF-" header as the
// program counts them (bytes before the header are not part of the document).
struct ReadFile {
    std::string bytes;
    size_t base = 0;
    QpdfLayout layout;
};

std::optional<ReadFile> readWithLayout(const std::string& path) {
    ReadFile file{readFile(path), 0, {}};
    file.base = file.bytes.find("%PDF-");
    std::optional<QpdfLayout> layout = readQpdfLayout(path);
    if (!layout || file.base == std::string::npos) return std::nullopt;
    file.layout = std::move(*layout);
    return file;
}

// The input's text of an object stored in the file: from its header through the
// "endobj" after its stream data (a stream's data may hold the word), and the byte after.
std::string storedText(const ReadFile& input, ObjectId id, size_t start) {
    const size_t dataEnd = input.layout.streams.count(id) ? input.bytes.find("endstream", start) : start;
    const size_t endobj = input.bytes.find("endobj", dataEnd);
    if (dataEnd == std::string::npos || endobj == std::string::npos) return "(no endobj in the input)";
    const size_t end = endobj + 6;
    const char after = end < input.bytes.size() && isPdfWhiteSpace(input.bytes[end]) ? input.bytes[end] : '\n';
    return input.bytes.substr(start, end - start) + after;
}

// What the output must hold for `id`, built from the input alone.
class ExpectedObjects {
public:
    ExpectedObjects(const std::string& path, const ReadFile& input) : path(path), input(input) {}

    testing::AssertionResult textOf(ObjectId id, std::string& text) {
        const auto place = input.layout.places.find(id);
        if (place == input.layout.places.end())
            return testing::AssertionFailure() << headerOf(id) << " is not an object of the input";
        if (place->second.inObjectStream) return packedText(id, place->second, text);
        const size_t start = input.base + static_cast<size_t>(place->second.offset);
        if (input.bytes.compare(start, headerOf(id).size(), headerOf(id)) != 0)
            return testing::AssertionFailure() << "the input has no " << headerOf(id) << " at " << start;
        text = storedText(input, id, start);
        return testing::AssertionSuccess();
    }

private:
    testing::AssertionResult packedText(ObjectId id, const StoredPlace& place, std::string& text) {
        auto stream = decoded.find(place.stream);
        if (stream == decoded.end())
            stream = decoded.emplace(place.stream, objectStreamTexts(path, place.stream)).first;
        if (static_cast<size_t>(place.index) >= stream->second.size())
            return testing::AssertionFailure() << "object stream " << place.stream << " has no index " << place.index;
        text = std::to_string(id.first) + " 0 obj\r" + stream->second[static_cast<size_t>(place.index)] + " endobj\r";
        return testing::AssertionSuccess();
    }

    const std::string& path;
    const ReadFile& input;
    std::map<int, std::vector<std::string>> decoded;  // object stream -> its texts
};

// Each output object's bytes: from its offset up to the next object, or to the table.
std::map<ObjectId, std::string> outputTexts(const ReadFile& output) {
    std::vector<std::pair<size_t, ObjectId>> starts;
    for (const auto& [id, place] : output.layout.places) starts.emplace_back(output.base + place.offset, id);
    std::sort(starts.begin(), starts.end());
    std::smatch tail;
    const bool found = std::regex_search(output.bytes, tail, std::regex(R"(startxref\s+(\d+)\s+%%EOF$)"));
    starts.emplace_back(found ? output.base + std::stoul(tail[1]) : output.bytes.size(), ObjectId{});
    std::map<ObjectId, std::string> texts;
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        texts[starts[i].second] = output.bytes.substr(starts[i].first, starts[i + 1].first - starts[i].first);
    return texts;
}

// A selected page is the input's text with the value of its own /Rotate replaced by
// " 90 " (or the `angle` given), or with "/Rotate 90\n" put right after the "<<"
// that opens it.
testing::AssertionResult isRotatedPage(const std::string& expected, const std::string& actual,
                                       const std::string& angle = "90") {
    const size_t open = expected.find("<<");
    if (open != std::string::npos && actual == std::string(expected).insert(open + 2, "/Rotate " + angle + "\n"))
        return testing::AssertionSuccess();
    static const std::regex replacedValue(R"(^[\s\x00]*([-+.\d]+(\s+\d+\s+R)?|[^\s\x00/<>\[\]()%]+)?$)");
    const std::string written = "/Rotate " + angle + " ";
    for (size_t at = actual.find(written); at != std::string::npos; at = actual.find(written, at + 1)) {
        const size_t keyEnd = at + 7, restSize = actual.size() - at - written.size();
        if (expected.size() < keyEnd + restSize || expected.compare(0, keyEnd, actual, 0, keyEnd) != 0 ||
            expected.compare(expected.size() - restSize, restSize, actual, actual.size() - restSize) != 0)
            continue;
        if (std::regex_match(expected.substr(keyEnd, expected.size() - restSize - keyEnd), replacedValue))
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "not the input's page with /Rotate " << angle
                                       << ":\n  input:  " << visible(expected) << "\n  output: " << visible(actual);
}

// The objects the output must hold: the input's newest generation of each number,
// but not its object streams.
std::set<ObjectId> copiedObjects(const QpdfLayout& input) {
    std::map<int, int> newest;
    for (const auto& [id, place] : input.places)
        if (!input.objectStreams.count(id.first)) newest[id.first] = std::max(newest[id.first], id.second);
    std::set<ObjectId> ids;
    for (const auto& [number, generation] : newest) ids.insert({number, generation});
    return ids;
}

// The head, from "%PDF-" up to the first object, is the input's too.
std::string head(const ReadFile& file) {
    size_t first = file.bytes.size();
    for (const auto& [id, place] : file.layout.places)
        if (!place.inObjectStream && place.offset > 0) first = std::min(first, file.base + place.offset);
    return file.bytes.substr(file.base, first - file.base);
}

// The angle written to each page, counted from 1, or nullopt for a page left as it is.
using PageAngles = std::function<std::optional<std::string>(size_t pageNumber)>;
using PageSelection = std::function<bool(size_t pageNumber)>;

void expectCopiedByteForByte(const std::string& inputPath, const std::vector<std::string>& options,
                             const PageAngles& angles) {
    TemporaryFolder folder;
    const std::string outputPath = folder / "out.pdf";
    const ProcessResult run = runJob(inputPath, outputPath, options);
    ASSERT_TRUE(run.output.ends_with("\nDone.\n")) << run.output;
    const std::optional<ReadFile> input = readWithLayout(inputPath), output = readWithLayout(outputPath);
    ASSERT_TRUE(input) << "qpdf cannot read the input";
    ASSERT_TRUE(output) << "qpdf cannot read the output";
    EXPECT_TRUE(sameBytes(head(*input), head(*output))) << "the head";
    std::map<ObjectId, std::string> pages;
    for (size_t i = 0; i < input->layout.pages.size(); ++i)
        if (const std::optional<std::string> angle = angles(i + 1)) pages[input->layout.pages[i]] = *angle;
    ExpectedObjects expected(inputPath, *input);
    std::set<ObjectId> written;
    for (const auto& [id, actual] : outputTexts(*output)) {
        SCOPED_TRACE(headerOf(id));
        written.insert(id);
        std::string text;
        ASSERT_TRUE(expected.textOf(id, text));
        if (pages.count(id)) EXPECT_TRUE(isRotatedPage(text, actual, pages[id]));
        else EXPECT_TRUE(sameBytes(text, actual));
    }
    EXPECT_EQ(copiedObjects(input->layout), written);
}

void expectCopiedByteForByte(const std::string& inputPath, const std::string& option, const PageSelection& selected) {
    expectCopiedByteForByte(inputPath, {option, "-r90"}, [&](size_t page) {
        return selected(page) ? std::optional<std::string>("90") : std::nullopt;
    });
}

// What mutool's structured text shows of each page: whether the tops of most of
// its letters point up ("1 0" is the direction of an upright line), or it has no text.
std::vector<bool> readsUprightOrHasNoText(const std::string& pdf) {
    const std::string text = runProcess({"mutool", "draw", "-F", "stext", "-o", "-", pdf}).output;
    static const std::regex line(R"re(<line [^>]*dir="([^"]*)")re");
    std::vector<bool> pages;
    for (size_t at = text.find("<page "); at != std::string::npos;) {
        const size_t next = text.find("<page ", at + 1);
        const std::string page = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        size_t lines = 0, upright = 0;
        for (auto found = std::sregex_iterator(page.begin(), page.end(), line); found != std::sregex_iterator();
             ++found, ++lines)
            upright += (*found)[1] == "1 0";
        pages.push_back(upright == lines);
        at = next;
    }
    return pages;
}

// Every PDF file among the fixtures and the examples, but those the program refuses.
std::vector<std::string> rotatableFiles() {
    const std::set<std::string> refused = {"damaged-count.pdf", "damaged-truncated.pdf", "encrypted.pdf"};
    std::vector<std::string> files;
    for (const char* folder : {FOLIOTURN_TEST_DATA, FOLIOTURN_EXAMPLES})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".pdf" && !refused.count(entry.path().filename()))
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class ByteIdentity : public testing::TestWithParam<std::string> {};

TEST_P(ByteIdentity, OddPagesRotated) {
    expectCopiedByteForByte(GetParam(), "-podd", [](size_t page) { return page % 2 == 1; });
}

TEST_P(ByteIdentity, AllPagesRotated) {
    expectCopiedByteForByte(GetParam(), "-pall", [](size_t) { return true; });
}

// Turned upright by their text, the pages that already read upright (or have no
// text) keep their bytes; a page that does not is given the rotation that shows
// it upright, as qpdf reads the output.
TEST_P(ByteIdentity, UprightPagesKeepTheirBytes) {
    const std::vector<bool> upright = readsUprightOrHasNoText(GetParam());
    TemporaryFolder folder;
    ASSERT_TRUE(runJob(GetParam(), folder / "out.pdf", {"-pall", "-rauto"}).output.ends_with("\nDone.\n"));
    const std::optional<std::vector<QpdfPage>> written = qpdfPages(folder / "out.pdf");
    ASSERT_TRUE(written && written->size() == upright.size());
    const std::vector<bool> after = readsUprightOrHasNoText(folder / "out.pdf");
    EXPECT_EQ(std::vector<bool>(upright.size(), true), after);
    expectCopiedByteForByte(GetParam(), {"-pall", "-rauto"}, [&](size_t page) -> std::optional<std::string> {
        if (upright[page - 1]) return std::nullopt;
        return (*written)[page - 1].rotate;
    });
}

std::string fileCaseName(const testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::path(info.param).stem();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(E2e, ByteIdentity, testing::ValuesIn(rotatableFiles()), fileCaseName);

}  // namespace
