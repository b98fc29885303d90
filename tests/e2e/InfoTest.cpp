// "-info" and "-info -json": what each file and page shows, told without writing
// anything. The JSON is compared field by field with what qpdf reads of the same
// file (page count, rotation, boxes, encryption, version, linearization, signature
// fields) and with how mutool sees the text of each page.
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>

#include "E2eSupport.h"
#include "PdfBuilder.h"
#include "UprightSet.h"

namespace {

using namespace e2e;
using nlohmann::json;

// The JSON document of each file read, in order; the run's status and standard error beside.
struct InfoRun {
    std::vector<json> documents;
    ProcessResult run;
};

InfoRun infoOf(const std::vector<std::string>& arguments, const std::string& workingDirectory = "") {
    InfoRun info;
    info.run = runFolioturn(arguments, workingDirectory);
    std::istringstream lines(info.run.output);
    for (std::string line; std::getline(lines, line);) info.documents.push_back(json::parse(line, nullptr, false));
    return info;
}

// A page's displayed size as it follows from the boxes that qpdf reads: the crop
// box clipped to the media box (the media box where they do not meet), corners in
// either order, sides swapped at a quarter turn. None without a usable media box.
std::optional<std::pair<double, double>> sizeFromQpdf(const QpdfPageGeometry& page) {
    auto normal = [](const std::vector<double>& box) {
        return std::vector<double>{std::min(box[0], box[2]), std::min(box[1], box[3]), std::max(box[0], box[2]),
                                   std::max(box[1], box[3])};
    };
    if (page.mediaBox.empty()) return std::nullopt;
    std::vector<double> visible = normal(page.mediaBox);
    if (visible[2] <= visible[0] || visible[3] <= visible[1]) return std::nullopt;
    if (!page.cropBox.empty()) {
        const std::vector<double> crop = normal(page.cropBox);
        const std::vector<double> clipped = {std::max(visible[0], crop[0]), std::max(visible[1], crop[1]),
                                             std::min(visible[2], crop[2]), std::min(visible[3], crop[3])};
        if (clipped[2] > clipped[0] && clipped[3] > clipped[1]) visible = clipped;
    }
    const double width = visible[2] - visible[0], height = visible[3] - visible[1];
    if (page.rotation % 180 != 0 && page.rotation % 90 == 0) return std::make_pair(height, width);
    return std::make_pair(width, height);
}

// Every page of `document` against qpdf's reading of `pdf`.
testing::AssertionResult agreesWithQpdf(const json& document, const std::string& pdf,
                                        const std::string& password = "") {
    const std::optional<std::vector<QpdfPageGeometry>> pages = qpdfPageGeometry(pdf, password);
    if (!pages) return testing::AssertionFailure() << "qpdf cannot read " << pdf;
    if (document.value("pageCount", -1) != long(pages->size()) || document["pages"].size() != pages->size())
        return testing::AssertionFailure() << "qpdf reads " << pages->size() << " pages, -info says " << document;
    for (size_t i = 0; i < pages->size(); ++i) {
        const json& page = document["pages"][i];
        const QpdfPageGeometry& expected = (*pages)[i];
        const std::optional<std::pair<double, double>> size = sizeFromQpdf(expected);
        const bool sizeAgrees = size ? page["width"].is_number() && page["height"].is_number() &&
                                           std::fabs(page["width"].get<double>() - size->first) < 0.0006 &&
                                           std::fabs(page["height"].get<double>() - size->second) < 0.0006
                                     : page["width"].is_null() && page["height"].is_null();
        const std::string orientation = size && size->first > size->second ? "landscape" : "portrait";
        if (page["number"] != i + 1 || page["rotation"] != (expected.rotation % 360 + 360) % 360 || !sizeAgrees ||
            page["orientation"] != orientation)
            return testing::AssertionFailure()
                   << "page " << i + 1 << ": " << page << "; qpdf: rotation " << expected.rotation << ", size "
                   << (size ? std::to_string(size->first) + " x " + std::to_string(size->second) : "none");
    }
    return testing::AssertionSuccess();
}

// Own and inherited /Rotate (direct, indirect, beyond 360, negative), crop boxes
// larger and smaller than the media box and apart from it, negative, offset and
// reversed boxes, a box that is no box, and sizes in fractions of a point.
std::string boxesPdf() {
    PdfBuilder pdf;
    const std::vector<std::string> pages = {
        "/MediaBox [0 0 612 792]",
        "/Rotate 90",
        "/CropBox [-50 -50 700 900]",
        "/CropBox [100 100 400 300]",
        "/MediaBox [-300 -400 300 400]",
        "/MediaBox [1000 2000 1500 2100] /Rotate -90",
        "/MediaBox [612 792 0 0] /Rotate 450",
        "/Rotate 9 0 R /CropBox [2000 2000 2100 2100]",
        "/MediaBox [0 0 612]",
        "/MediaBox [0 0 595.276 841.89] /Rotate 0",
        "",
    };
    std::string kids;
    for (size_t i = 0; i < pages.size(); ++i) {
        const int number = int(10 + i), parent = i + 2 < pages.size() ? 2 : 3;
        pdf.object(number, "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R " + pages[i] + " >>");
        if (parent == 2) kids += std::to_string(number) + " 0 R ";
    }
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [" + kids + "3 0 R] /Count " +
                      std::to_string(pages.size()) + " >>");
    pdf.object(3, "<< /Type /Pages /Parent 2 0 R /Rotate 270 /CropBox [0 0 300 200] /Kids [19 0 R 20 0 R] /Count 2 >>");
    pdf.object(9, "180");
    pdf.startxref(pdf.table("/Size 21 /Root 1 0 R"));
    return pdf.bytes();
}

TEST(Info, SizesAndRotationsAgreeWithQpdf) {
    TemporaryFolder folder;
    const std::string input = folder / "boxes.pdf";
    writeFile(input, boxesPdf());
    const InfoRun info = infoOf({"-i" + input, "-info", "-json"});
    ASSERT_EQ(1u, info.documents.size()) << info.run.output;
    EXPECT_TRUE(agreesWithQpdf(info.documents[0], input));
    EXPECT_EQ(0, info.run.exitCode);
    EXPECT_EQ((std::vector<std::string>{"boxes.pdf"}), folder.entries()) << "nothing is written";
}

// The directions that mutool sees the text of each page in, as where the tops of
// the letters point: its "dir" is the baseline's, with y growing downwards.
std::string directionSeenByMutool(const Directions& directions) {
    static const std::map<std::string, std::string> tops = {
        {"1 0", "up"}, {"0 -1", "left"}, {"-1 0", "down"}, {"0 1", "right"}};
    size_t all = 0;
    for (const auto& [direction, count] : directions) all += count;
    for (const auto& [direction, count] : directions)
        if (tops.count(direction) && count * 5 >= all * 4) return tops.at(direction);
    return "mixed";
}

// The text direction and the rotation -rauto would write, page by page, as the
// upright set expects them and as mutool sees them; the same in every layout.
TEST(Info, TextDirectionsAgreeWithMutoolInEveryLayout) {
    const std::vector<ExpectedPage> expected = expectations("directions");
    const std::string input = uprightSetFile("directions.pdf");
    const std::vector<Directions> seen = shownDirections(input, "1-" + std::to_string(expected.size()));
    ASSERT_EQ(expected.size(), seen.size());
    const InfoRun classic = infoOf({"-i" + input, "-info", "-json"});
    ASSERT_EQ(1u, classic.documents.size()) << classic.run.output << classic.run.errors;
    const json& pages = classic.documents[0]["pages"];
    ASSERT_EQ(expected.size(), pages.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const bool judged = expected[i].verdict != "none";
        EXPECT_EQ(judged ? directionSeenByMutool(seen[i]) : "none", pages[i]["textDirection"]);
        EXPECT_EQ(expected[i].verdict == "turned" ? json(std::stol(expected[i].rotate)) : json(),
                  pages[i]["autoRotation"]);
    }
    EXPECT_TRUE(agreesWithQpdf(classic.documents[0], input));

    TemporaryFolder folder;
    struct Layout {
        std::vector<std::string> qpdf;
        std::string password;
        bool objectStreams, encrypted;
    };
    for (const Layout& layout :
         {Layout{{"--object-streams=generate"}, "", true, false},
          Layout{{"--encrypt", "user", "owner", "128", "--use-aes=n", "--"}, "user", false, true},
          Layout{{"--object-streams=generate", "--encrypt", "", "owner", "256", "--"}, "", true, true}}) {
        std::vector<std::string> command = {"qpdf", "--allow-weak-crypto"};
        command.insert(command.end(), layout.qpdf.begin(), layout.qpdf.end());
        command.insert(command.end(), {input, folder / "in.pdf"});
        ASSERT_EQ(0, runProcess(command).exitCode);
        const InfoRun info = infoOf({"-i" + folder / "in.pdf", "-info", "-json", "-password" + layout.password});
        ASSERT_EQ(1u, info.documents.size()) << info.run.output << info.run.errors;
        const json& document = info.documents[0];
        EXPECT_EQ(layout.objectStreams, document["objectStreams"]);
        EXPECT_EQ(layout.encrypted, document["encrypted"]);
        EXPECT_EQ(pages, document["pages"]);
    }
}

// The facts of the file against qpdf's: the version of the header, the
// encryption, linearization, and the signature fields of the form.
TEST(Info, FileFactsAgreeWithQpdf) {
    TemporaryFolder folder;
    const std::string updated = folder / "updated.pdf";  // linearized no longer
    ASSERT_EQ(0, runJob(fixture("linearized.pdf"), updated, {"-p1", "-r90", "-incremental"}).exitCode);
    for (const std::string& input : {fixture("linearized.pdf"), updated, fixture("encrypted.pdf"),
                                     fixture("objstm.pdf"), fixture("incremental.pdf"), fixture("gs.pdf")}) {
        SCOPED_TRACE(input);
        const InfoRun info = infoOf({"-i" + input, "-info", "-json", "-password"});
        ASSERT_EQ(1u, info.documents.size()) << info.run.errors;
        const json& document = info.documents[0];
        const json qpdf =
            json::parse(runProcess({"qpdf", "--json=2", "--json-key=qpdf", "--json-key=encrypt", input}).output);
        EXPECT_EQ(qpdf["qpdf"][0]["pdfversion"], document["version"]);
        EXPECT_EQ(qpdf["encrypt"]["encrypted"], document["encrypted"]);
        const std::string linearization = runProcess({"qpdf", "--check-linearization", input}).output;
        EXPECT_EQ(linearization.find("is not linearized") == std::string::npos, document["linearized"]);
        EXPECT_TRUE(agreesWithQpdf(document, input));
        EXPECT_EQ(false, document["signed"]);
        EXPECT_EQ(false, document["repaired"]);
    }
}

// A signature field with a value signs; /DocMDP in /Perms certifies.
TEST(Info, SignedAndCertifiedFiles) {
    TemporaryFolder folder;
    for (const bool certified : {false, true}) {
        PdfBuilder pdf;
        pdf.object(1, std::string("<< /Type /Catalog /Pages 2 0 R /Version /1.7 /AcroForm << /Fields [4 0 R] >>") +
                          (certified ? " /Perms << /DocMDP 5 0 R >>" : "") + " >>");
        pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Annots [4 0 R] >>");
        pdf.object(4, "<< /Type /Annot /Subtype /Widget /FT /Sig /T (S) /Rect [0 0 0 0] /P 3 0 R /V 5 0 R >>");
        pdf.object(5, "<< /Type /Sig /Filter /Adobe.PPKLite /Contents <00> >>");
        pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
        writeFile(folder / "signed.pdf", pdf.bytes());
        const json document = infoOf({"-i" + folder / "signed.pdf", "-info", "-json"}).documents.at(0);
        const json fields = json::parse(runProcess({"qpdf", "--json=2", "--json-key=acroform", folder / "signed.pdf"})
                                            .output)["acroform"]["fields"];
        EXPECT_EQ("/Sig", fields.at(0)["fieldtype"]) << "qpdf reads a signature field";
        EXPECT_EQ(true, document["signed"]);
        EXPECT_EQ(certified, document["certified"]);
        EXPECT_EQ("1.7", document["version"]) << "the catalogue's later version counts";
    }
}

// The text form for people: the file's facts on a line, the column heads, a
// line a page, then "Done."; -p lists only those pages, in any form.
TEST(Info, TheTextFormIsALineAPage) {
    TemporaryFolder folder;
    writeFile(folder / "in.pdf", readFile(example("sample.pdf")));
    const ProcessResult run = runFolioturn({"-iin.pdf", "-info", "-p1-end,~2-4", "-r90"}, folder.path());
    EXPECT_EQ(banner +
                  "Reading file: in.pdf\n"
                  "Pages: 6, PDF version: 1.4, encrypted: no, signed: no, certified: no, object streams: no, "
                  "linearized: no, repaired: no\n"
                  "  Page  Rotation     Width    Height  Orientation  Text   Auto\n"
                  "     1         0       612       792  portrait     up     -\n"
                  "     5       180       612       792  portrait     down   0\n"
                  "     6       180       612       792  portrait     down   0\n"
                  "Done.\n",
              run.output);
    EXPECT_EQ("folioturn: warning: \"-r90\" ignored: -info writes nothing and turns no page\n", errorsOf(run));
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ((std::vector<std::string>{"in.pdf"}), folder.entries());
}

// A file that cannot be read fails as a rotation would; -repair reads it, and
// says so. With -json, standard output holds the JSON lines alone.
TEST(Info, DamagedFilesWithAndWithoutRepair) {
    TemporaryFolder folder;
    const std::string input = repairSetFile("no-startxref");
    const InfoRun refused = infoOf({"-i" + input, "-info", "-json"});
    EXPECT_EQ("", refused.run.output);
    EXPECT_EQ(2, refused.run.exitCode);
    const std::string rotated = runJob(input, folder / "out.pdf", {}).output;
    const std::string message = rotated.substr((banner + "Rotating file: " + input).size());
    EXPECT_TRUE(refused.run.errors.starts_with(banner + "Reading file: " + input + message))
        << refused.run.errors << "\nthe message of a rotation: " << message;
    EXPECT_NE(std::string::npos, refused.run.errors.find("folioturn: hint: the file is damaged; -repair"));

    const InfoRun repaired = infoOf({"-i" + input, "-info", "-json", "-repair"});
    ASSERT_EQ(1u, repaired.documents.size());
    EXPECT_EQ(true, repaired.documents[0]["repaired"]);
    runProcess({"qpdf", input, folder / "by-qpdf.pdf"});  // qpdf repairs it too, with warnings
    EXPECT_TRUE(agreesWithQpdf(repaired.documents[0], folder / "by-qpdf.pdf"));
    EXPECT_EQ(banner + "Reading file: " + input +
                  "\nFile repaired: the cross-reference was rebuilt by scanning the file\nDone.\n",
              repaired.run.errors);
    EXPECT_EQ(0, repaired.run.exitCode);
}

// A list run prints a JSON line a file read; -continue goes on past a file that
// fails, counts both, and ends with status 2. Lines may name files anywhere.
TEST(Info, ListRunsWithContinue) {
    TemporaryFolder folder;
    writeFile(folder / "a.pdf", readFile(example("sample.pdf")));
    writeFile(folder / "broken.pdf", "%PDF-1.4\nnot a file\n");
    writeFile(folder / "list.txt", "a.pdf\nbroken.pdf\n" + fixture("objstm.pdf") + "\n");
    const InfoRun info = infoOf({"-ilist.txt", "-info", "-json", "-continue"}, folder.path());
    ASSERT_EQ(2u, info.documents.size()) << info.run.output;
    EXPECT_EQ("a.pdf", info.documents[0]["file"]);
    EXPECT_EQ(fixture("objstm.pdf"), info.documents[1]["file"]);
    EXPECT_TRUE(info.run.errors.ends_with("Files read: 2, failed: 1\n")) << info.run.errors;
    EXPECT_EQ(2, info.run.exitCode);
    EXPECT_EQ((std::vector<std::string>{"a.pdf", "broken.pdf", "list.txt"}), folder.entries());

    const ProcessResult stopped = runFolioturn({"-ilist.txt", "-info"}, folder.path());
    EXPECT_EQ(2, stopped.exitCode);
    EXPECT_NE(std::string::npos, stopped.output.find("Reading file: broken.pdf")) << stopped.output;
    EXPECT_EQ(std::string::npos, stopped.output.find("objstm.pdf")) << "without -continue the run ends there";
}

// Encrypted files open with -password or -passwordfile; one whose permissions
// forbid changes is still read, as nothing is changed.
TEST(Info, EncryptedFilesAndTheirPasswords) {
    TemporaryFolder folder;
    const std::string locked = std::string(FOLIOTURN_ENCRYPTED_SET) + "/locked-direct-stream.pdf";
    writeFile(folder / "password.txt", "user\n");
    const InfoRun info = infoOf({"-i" + locked, "-info", "-json", "-passwordfile" + folder / "password.txt"});
    ASSERT_EQ(1u, info.documents.size()) << info.run.errors;
    EXPECT_EQ(true, info.documents[0]["encrypted"]);
    EXPECT_TRUE(agreesWithQpdf(info.documents[0], locked, "user"));
    const ProcessResult without = runFolioturn({"-i" + locked, "-info"});
    EXPECT_EQ(banner + "Reading file: " + locked + "\nPDF file is encrypted", without.output);
    EXPECT_EQ(2, without.exitCode);
}

}  // namespace
