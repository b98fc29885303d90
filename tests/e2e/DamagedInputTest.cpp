// Damaged input: whatever the bytes, a job ends within a bounded amount of work,
// either with an output that qpdf reads without repairing it, or with one of the
// program's own messages and no output left behind; with -repair as without it.
// The inputs are the example file and two copies with object streams that qpdf
// makes (compressed and plain), damaged deterministically.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "E2eSupport.h"

namespace {

namespace fs = std::filesystem;
using Objects = std::vector<std::pair<int, std::string>>;

std::string readFile(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// The texts that damaged input may end with; none of them holds a digit except where %d is.
const char* const programMessages[] = {
    "PDF file was damaged", "PDF file was damaged\n", "Corrupted PDF file", "Couldn't parse an xref",
    "Couldn't parse an xref stream", "Couldn't parse an xref table", "Trailer dictionary is wrong type",
    "Size of xref Stream is wrong type", "W item of xref Stream is wrong type", "W item of xref Stream is wrong length",
    "Index item of xref Stream is wrong type", "Unexpected EOF while reading xref stream section",
    "Wrong type of xref entry while reading xref stream section", "Missing 'endstream'", "Stream filter not supported",
    "\nPDF file is encrypted", "Invalid page number %d", "Page number %d greater than %d pages in file",
    "Wrong page ranges, %d greater than %d pages in file", "Wrong page ranges, start page %d > end page %d",
    // The last check before the output replaces anything: what a damaged input would have lost.
    "\nOutput check failed: object %d has no end that a reader finds\n",
    "\nOutput check failed: page %d, object %d, was not written\n",
    "\nOutput check failed: page tree node %d was not written\n",
    "\nOutput check failed: the catalogue, object %d, was not written\n",
    "\nOutput check failed: the input ended before an object was copied whole\n"};

bool isProgramMessage(const std::string& text) {
    const std::string shape = std::regex_replace(text, std::regex("-?[0-9]+"), "%d");
    return std::find(std::begin(programMessages), std::end(programMessages), shape) != std::end(programMessages);
}

// No sign that the structure needed repair. Errors in page contents are the input's own, copied unchanged.
bool qpdfAccepts(const fs::path& pdf, std::string& report) {
    const std::string log = pdf.string() + ".check";
    const int status = std::system(("qpdf --check '" + pdf.string() + "' >'" + log + "' 2>&1").c_str());
    report = readFile(log);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 1 || WEXITSTATUS(status) > 3) return false;
    return !std::regex_search(report, std::regex("reconstruct|file is damaged|(^|\n)ERROR:(?![^\n]*content stream)|"
                                                 "(^|\n)qpdf: (?!operation succeeded with warnings|errors detected)"));
}

std::string lastMatch(const std::string& text, const char* pattern) {
    std::string found;
    const std::regex expression(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), expression), end; it != end; ++it) found = (*it)[1];
    return found;
}

// Replaces the value of `key` (one token or a bracketed array), or adds the pair after the first "<<".
std::string withKey(std::string text, const std::string& key, const std::string& value) {
    for (size_t at = text.find("/" + key); at != std::string::npos; at = text.find("/" + key, at + 1)) {
        size_t start = at + key.size() + 1;
        if (std::isalnum(static_cast<unsigned char>(text[start]))) continue;
        while (text[start] == ' ') ++start;
        const size_t end = text[start] == '[' ? text.find(']', start) + 1 : text.find_first_of(" />\r\n", start);
        return text.replace(start, end - start, value);
    }
    return text.insert(text.find("<<") + 2, " /" + key + " " + value + " ");
}

// Edits the newest trailer, or else the dictionary of the cross-reference stream, in place.
std::string withTailKey(const std::string& pdf, const std::string& key, const std::string& value) {
    const size_t tail = pdf.rfind("trailer") != std::string::npos ? pdf.rfind("trailer") : pdf.rfind(" obj");
    return pdf.substr(0, tail) + withKey(pdf.substr(tail), key, value);
}

// The object whose text holds `marker`: its number, and its text between "obj" and "endobj".
std::pair<int, std::string> objectHolding(const std::string& pdf, const std::string& marker) {
    const size_t at = pdf.find(marker), header = pdf.rfind(" 0 obj", at + marker.size());
    const size_t lineStart = pdf.rfind('\n', header) + 1;
    return {std::stoi(pdf.substr(lineStart, header - lineStart)),
            pdf.substr(header + 6, pdf.find("endobj", at) - header - 6)};
}

// An incremental update that gives each object its new text; everything before keeps its offsets.
std::string withUpdatedObjects(std::string pdf, const Objects& objects) {
    int size = std::stoi(lastMatch(pdf, "/Size (\\d+)"));
    const std::string older = " /Root " + lastMatch(pdf, "/Root (\\d+ \\d+ R)") + " /Prev " +
                              lastMatch(pdf, "startxref\\s+(\\d+)") + " >>\nstartxref\n";
    std::string table = "xref\n";
    for (const auto& [number, body] : objects) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
        table += std::to_string(number) + " 1\n" + entry;
        pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
        size = std::max(size, number + 1);
    }
    const std::string tablePosition = std::to_string(pdf.size());
    return pdf + table + "trailer\n<< /Size " + std::to_string(size) + older + tablePosition + "\n%%EOF\n";
}

std::string withObjectKey(const std::string& pdf, const std::string& marker, const char* key,
                          const std::string& value) {
    const auto [number, body] = objectHolding(pdf, marker);
    return withUpdatedObjects(pdf, {{number, withKey(body, key, value)}});
}

// The CPU seconds a job may use: a bound on its work, which a busy machine does not
// change, unlike the time it takes. The costliest job here needs about 0.1 s, or
// 0.5 s under the sanitizers; work that grows out of bounds, or a loop, goes far past.
#ifdef __SANITIZE_ADDRESS__
constexpr unsigned jobCpuSeconds = 20;
#else
constexpr unsigned jobCpuSeconds = 5;
#endif

// What a job said after its head ("Rotating file: IN to OUT, D Degrees, Pages: P",
// "Processing" and the dots, or as much of that as it got to): "\nDone.\n" or the
// reason it stopped.
std::string jobEnding(std::string console, const std::string& input, const std::string& output) {
    for (const std::string& head : {e2e::banner, "Rotating file: " + input, " to " + output})
        if (console.starts_with(head)) console.erase(0, head.size());
    std::smatch progress;
    if (std::regex_search(console, progress, std::regex("^, -?\\d+ Degrees, Pages: [^\n]*\nProcessing\\.*")))
        console = progress.suffix();
    // What -repair did, and a warning about objects left out, may stand on lines of
    // their own before "Done.".
    std::smatch repaired;
    if (std::regex_search(console, repaired,
                          std::regex("^\nFile repaired: [^\n]*(?=\n(Warning: [^\n]*\n)?Done\\.\n$)")))
        console = repaired.suffix();
    std::smatch warning;
    if (std::regex_search(console, warning, std::regex("^\nWarning: [^\n]*(?=\nDone\\.\n$)")))
        console = warning.suffix();
    return console;
}

class DamagedInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "folioturn-damaged-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        const std::string sample = FOLIOTURN_EXAMPLES "/sample.pdf";
        const std::string qpdf = "qpdf --object-streams=generate --deterministic-id '" + sample + "' '";
        ASSERT_EQ(std::system((qpdf + (folder / "objstm.pdf").string() + "'").c_str()), 0);
        ASSERT_EQ(std::system((qpdf + (folder / "plain.pdf").string() + "' --stream-data=uncompress").c_str()), 0);
        bases = {readFile(sample), readFile(folder / "objstm.pdf"), readFile(folder / "plain.pdf")};
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    // Jobs on `bytes`, without and with -repair; odd variants ask for other pages and -force.
    static void expectHandled(const std::string& bytes, size_t variant) {
        for (const bool repair : {false, true}) {
            SCOPED_TRACE(repair ? "with -repair" : "without -repair");
            expectHandled(bytes, variant, repair);
        }
    }

    static void expectHandled(const std::string& bytes, size_t variant, bool repair) {
        const fs::path input = folder / "in.pdf", output = folder / "out.pdf";
        std::ofstream(input, std::ios::binary) << bytes;
        fs::remove(output);
        std::vector<std::string> argv = e2e::programUnderTest(FOLIOTURN_PROGRAM);
        argv.insert(argv.end(), {"-i" + input.string(), "-o" + output.string()});
        if (variant % 2) argv.insert(argv.end(), {"-podd", "-r180", "-force"});
        else argv.insert(argv.end(), {"-pall", "-r90"});
        if (repair) argv.push_back("-repair");
        e2e::ProcessResult run = e2e::runProcess(argv, "", false, jobCpuSeconds);
        // Under a launcher (wine), a run that printed nothing, not even the banner, is the launcher's failure.
        const bool launched = std::getenv("FOLIOTURN_LAUNCHER") != nullptr;
        for (int retry = 1; launched && retry <= 2 && run.output.empty(); ++retry)
            run = e2e::runProcess(argv, "", false, jobCpuSeconds);
        ASSERT_NE(SIGXCPU, run.signal) << "the job used more than " << jobCpuSeconds << " CPU seconds";
        ASSERT_NE(-1, run.exitCode) << "signal " << run.signal << "; the job said:\n" << run.output;
        const std::string ending = jobEnding(run.output, input.string(), output.string());
        const bool done = ending == "\nDone.\n";
        const bool leftOut = run.output.find("\nWarning: ") != std::string::npos;
        EXPECT_EQ(!done ? 2 : leftOut ? 3 : 0, run.exitCode) << ending;
        EXPECT_EQ(fs::exists(output), done) << ending;
        std::string report;
        if (done) EXPECT_TRUE(qpdfAccepts(output, report)) << report;
        else EXPECT_TRUE(isProgramMessage(ending)) << "unexpected message: " << ending;
    }

    static inline fs::path folder;
    static inline std::vector<std::string> bases;  // the example; with object streams; the same uncompressed
};

TEST_F(DamagedInput, TruncatedAtManyPointsWithAndWithoutItsTail) {
    for (const std::string& base : bases)
        for (size_t cut = 0; cut < base.size(); cut += base.size() / 50 + 1) {
            SCOPED_TRACE("cut at " + std::to_string(cut));
            expectHandled(base.substr(0, cut), cut);
            expectHandled(base.substr(0, cut) + base.substr(base.rfind("startxref")), cut + 1);
        }
}

TEST_F(DamagedInput, FlippedBitsAndZeroedSpans) {
    for (size_t b = 0; b < bases.size(); ++b)
        for (unsigned seed = 1; seed <= 60; ++seed) {
            std::mt19937 random(seed * 7919 + static_cast<unsigned>(b));
            std::string bytes = bases[b];
            const size_t at = random() % bytes.size();
            if (seed % 2)
                for (int flips = 1 + random() % 4; flips > 0; --flips)
                    bytes[random() % bytes.size()] ^= 1 << random() % 8;
            else std::fill_n(bytes.begin() + at, std::min<size_t>(1 + random() % 64, bytes.size() - at), '\0');
            SCOPED_TRACE("base " + std::to_string(b) + ", seed " + std::to_string(seed));
            expectHandled(bytes, seed / 2);
        }
}

TEST_F(DamagedInput, HugeAndNegativeNumbers) {
    // The value of `key` in base `base`: in the newest trailer or cross-reference stream
    // (no marker), or in the object whose text holds the marker. % stands for the number.
    struct Site {
        size_t base;
        const char *key, *value, *marker;
    };
    const char* const objectStream = "/Type /ObjStm";
    const Site sites[] = {
        {0, "Length", "%", "\n6 0 obj"},  {0, "Count", "%", "\n2 0 obj"},    {0, "Size", "%", nullptr},
        {0, "Prev", "%", nullptr},        {1, "Length", "%", nullptr},       {1, "Size", "%", nullptr},
        {1, "Index", "[ 0 % ]", nullptr}, {1, "Index", "[ % 20 ]", nullptr}, {1, "W", "[ % 2 1 ]", nullptr},
        {1, "W", "[ 1 % 1 ]", nullptr},   {1, "Prev", "%", nullptr},         {1, "Columns", "%", nullptr},
        {1, "Predictor", "%", nullptr},   {1, "N", "%", objectStream},       {1, "First", "%", objectStream},
        {1, "Length", "%", objectStream}, {2, "N", "%", objectStream},       {2, "First", "%", objectStream}};
    const char* const numbers[] = {"2147483647",  "2147483648", "4294967297",          "-1",
                                   "-2147483648", "0",          "99999999999999999999"};
    size_t variant = 0;
    for (const Site& site : sites)
        for (const char* number : numbers) {
            const std::string value = std::regex_replace(site.value, std::regex("%"), number);
            SCOPED_TRACE(std::string("/") + site.key + " " + value + " in base " + std::to_string(site.base));
            const std::string& base = bases[site.base];
            expectHandled(
                site.marker ? withObjectKey(base, site.marker, site.key, value) : withTailKey(base, site.key, value),
                ++variant);
        }
}

// In the plain copy's cross-reference stream (W [1 2 1], no Index), the object
// stream's own entry puts it inside itself.
std::string withObjectStreamInsideItself(std::string pdf) {
    const int stream = objectHolding(pdf, "/Type /ObjStm").first;
    const size_t data = pdf.find("stream\n", pdf.rfind(" obj")) + 7;
    return pdf.replace(data + 4 * stream, 4, std::string{'\2', '\0', static_cast<char>(stream), '\0'});
}

// Objects nested almost as deep as the parser allows, each with a stream whose Length
// is the next one: every fetch starts another deep parse on top of the last, in a
// chain longer than the 32 nested fetches allowed.
std::string withDeepLengthChain(const std::string& pdf) {
    Objects chain;
    for (int number = 20; number < 53; ++number)
        chain.emplace_back(number, std::string(495, '[') + "<< /Length " + std::to_string(number + 1) +
                                       " 0 R >>\nstream\nxx\nendstream\n" + std::string(495, ']'));
    chain.emplace_back(53, "2");
    return withUpdatedObjects(pdf, chain);
}

// Many streams whose Length is a stream object with the widest rows a predictor may
// have: each Length lookup fetches, and so decodes, that object again.
std::string withWideRowLengths(const std::string& pdf) {
    std::string streams = "[";
    for (int i = 0; i < 500; ++i) streams += "<< /Length 30 0 R >>\nstream\nx\nendstream\n";
    return withUpdatedObjects(pdf, {{4, streams + "]"},
                                    {30,
                                     "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 16000000 >> "
                                     "/Length 1 >>\nstream\nx\nendstream"}});
}

// A large object whose offset a long subsection gives to 3,000 numbers: only one of
// them is the object's own.
std::string withOneOffsetForMany(std::string pdf) {
    const std::string older = lastMatch(pdf, "startxref\\s+(\\d+)");
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
    std::string items;
    for (int i = 0; i < 50000; ++i) items += "1 ";
    pdf += "30 0 obj\n[" + items + "]\nendobj\n";
    const std::string table = std::to_string(pdf.size());
    pdf += "xref\n30 3000\n";
    for (int i = 0; i < 3000; ++i) pdf += entry;
    return pdf + "trailer\n<< /Size 3030 /Root 1 0 R /Prev " + older + " >>\nstartxref\n" + table + "\n%%EOF\n";
}

// A cross-reference stream that declares 8,388,608 entries, and a page tree whose
// root lists one node 1,000 times, which lists one page 1,000 times.
std::string withPageListedMillionsOfTimes(const std::string& compressed) {
    std::string nodes, pages;
    for (int i = 0; i < 1000; ++i) nodes += "40 0 R ", pages += "6 0 R ";
    const std::string pdf = withTailKey(withTailKey(compressed, "Size", "8388608"), "Index", "[ 0 20 ]");
    return withUpdatedObjects(pdf, {{3, "<< /Type /Pages /Kids [" + nodes + "] /Count 6 >>"},
                                    {40, "<< /Type /Pages /Kids [" + pages + "] >>"}});
}

// Objects stored before the header have negative offsets from it; as unsigned
// numbers they once made the head before the first object 4 GiB long.
std::string withObjectsBeforeTheHeader() {
    const char* const objects[] = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>"};
    std::string body, table = "xref\n0 4\n0000000000 65535 f \n";
    std::vector<long> starts;
    for (const char* object : objects) {
        starts.push_back(static_cast<long>(body.size()));
        body += std::to_string(starts.size()) + " 0 obj\n" + object + "\nendobj\n";
    }
    for (long start : starts) table += std::to_string(start - static_cast<long>(body.size())) + " 00000 n \n";
    return body + "%PDF-1.4\n" + table + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n9\n%%EOF\n";
}

TEST_F(DamagedInput, LoopsNestingRepeatedWorkAndMisplacedObjects) {
    const std::string& sample = bases[0];
    std::string nested;
    for (int level = 0; level < 100000; ++level) nested += "<</A ";
    const std::string cases[] = {
        withObjectKey(sample, "\n6 0 obj", "Length", "6 0 R"),
        withObjectKey(bases[2], "/Type /ObjStm", "Length", "2 0 R"),  // an object that the stream holds
        withObjectStreamInsideItself(bases[2]),
        withObjectKey(sample, "\n2 0 obj", "Kids", "[2 0 R 5 0 R 7 0 R]"),
        withObjectKey(sample, "\n17 0 obj", "Kids", "[13 0 R 2 0 R]"),
        withTailKey(sample, "Prev", lastMatch(sample, "startxref\\s+(\\d+)")),
        withTailKey(bases[1], "Prev", lastMatch(bases[1], "startxref\\s+(\\d+)")),
        withObjectKey(sample, "\n1 0 obj", "Deep", std::string(100000, '[') + std::string(100000, ']')),
        withObjectKey(sample, "\n1 0 obj", "Deep", std::string(100000, '[')),
        withObjectKey(sample, "\n4 0 obj", "Deep", nested + std::string(200000, '>')),
        withObjectKey(sample, "\n5 0 obj", "Deep", nested),
        withDeepLengthChain(sample),
        withWideRowLengths(sample),
        withOneOffsetForMany(sample),
        withPageListedMillionsOfTimes(bases[1]),
        withObjectsBeforeTheHeader(),
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        expectHandled(cases[i], i);
    }
}

}  // namespace
