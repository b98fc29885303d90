// What the full rewrite's trailer keeps of the input's: an Info written directly in
// the trailer, and the ID where the output's standard requires one. And objects of
// object streams whose text leaves a string open at its end.
#include <zlib.h>

#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

const std::string id = "/ID [<00112233445566778899AABBCCDDEEFF><FFEEDDCCBBAA99887766554433221100>]";

// qpdf's own view of the output's trailer, as --show-object prints it.
std::string qpdfTrailer(const std::string& pdf) {
    const ProcessResult shown = runProcess({"qpdf", "--show-object=trailer", pdf});
    return shown.exitCode == 0 ? shown.output : "qpdf failed: " + shown.output + shown.errors;
}

std::string deflated(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
    packed.resize(size);
    return packed;
}

// A one-page document; `catalogueEntries` and `trailerEntries` are added as given.
// With `metadata`, the catalogue refers to stream 5 holding it (`metadataEntries` before its Length).
struct OnePage {
    std::string header = "%PDF-1.7\n";
    std::string catalogueEntries;
    std::string trailerEntries;
    std::string metadata;
    std::string metadataEntries;
    bool crossReferenceStream = false;
};

std::string onePage(const OnePage& layout) {
    PdfBuilder pdf;
    const std::string metadataEntry = layout.metadata.empty() ? "" : " /Metadata 5 0 R";
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R" + metadataEntry + layout.catalogueEntries + " >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>");
    pdf.stream(4, "", "0 0 m 10 10 l S");
    if (!layout.metadata.empty())
        pdf.stream(5, "/Type /Metadata /Subtype /XML" + layout.metadataEntries, layout.metadata);
    if (layout.crossReferenceStream) pdf.startxref(pdf.xrefStream(6, "/Root 1 0 R " + layout.trailerEntries));
    else pdf.startxref(pdf.table("/Root 1 0 R " + layout.trailerEntries));
    return pdf.bytes();
}

// The builder starts its files with "%PDF-1.5\n": the header of the case replaces it.
std::string withHeader(std::string bytes, const std::string& header) { return bytes.replace(0, header.size(), header); }

ProcessResult rotate(TemporaryFolder& folder, const std::string& bytes, std::vector<std::string> options = {}) {
    writeFile(folder / "in.pdf", bytes);
    options.insert(options.begin(), {"-pall", "-r90"});
    return runJob(folder / "in.pdf", folder / "out.pdf", options);
}

TEST(TrailerInfo, ADirectInfoIsWrittenAsTheInputTrailerHoldsIt) {
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "cross-reference stream" : "classic table");
        TemporaryFolder folder;
        OnePage layout;
        layout.crossReferenceStream = stream;
        layout.trailerEntries = "/Info << /Title (Rotated \\(twice\\)) /Author <416E6E61> >>";
        const ProcessResult run = rotate(folder, onePage(layout));
        EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1-1"), run.output);
        ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
        const std::string trailer = qpdfTrailer(folder / "out.pdf");
        EXPECT_NE(std::string::npos, trailer.find("/Author (Anna)")) << trailer;
        EXPECT_NE(std::string::npos, trailer.find("/Title (Rotated \\(twice\\))")) << trailer;
        EXPECT_NE(std::string::npos,
                  readFile(folder / "out.pdf")
                      .find("/Root 1 0 R\n/Info << /Title (Rotated \\(twice\\)) /Author <416E6E61> >>\n>>\nstartxref"));
        EXPECT_EQ(std::string::npos, trailer.find("/ID"));  // a PDF 1.7 file that asks for none
    }
}

// Files with an Info object and no ID to keep get the trailer they always had.
TEST(TrailerInfo, AnIndirectInfoKeepsTheTrailerAsBefore) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>");
    pdf.object(4, "<< /Title (Kept) >>");
    pdf.startxref(pdf.table("/Root 1 0 R /Info 4 0 R " + id));
    const ProcessResult run = rotate(folder, pdf.bytes());
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1-1"), run.output);
    const std::string out = readFile(folder / "out.pdf");
    const size_t trailer = out.find("trailer\n");
    ASSERT_NE(std::string::npos, trailer);
    const std::string expected = "trailer\n<<\n/Size 5\n/Root 1 0 R\n/Info 4 0 R\n>>\nstartxref\n";
    EXPECT_EQ(expected, out.substr(trailer, expected.size()));
}

struct IdCase {
    const char* name;
    OnePage layout;
    bool keepsId;
};

const std::string pdfaPacket =
    "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
    "xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" pdfaid:part=\"2\" pdfaid:conformance=\"B\"/>"
    "</rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
const std::string plainPacket =
    "<?xpacket begin=\"\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
    "xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"/></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";

// A document with the ID above in its trailer.
OnePage withId(const std::string& header = "%PDF-1.7\n", const std::string& catalogueEntries = "",
               const std::string& metadata = "", bool crossReferenceStream = false) {
    OnePage layout;
    layout.header = header;
    layout.catalogueEntries = catalogueEntries;
    layout.metadata = metadata;
    layout.crossReferenceStream = crossReferenceStream;
    layout.trailerEntries = id;
    return layout;
}

OnePage withoutId(const std::string& header) {
    OnePage layout = withId(header);
    layout.trailerEntries.clear();
    return layout;
}

const IdCase idCases[] = {
    {"Pdf17", withId(), false},
    {"Pdf20Header", withId("%PDF-2.0\n"), true},
    {"Pdf20Catalogue", withId("%PDF-1.7\n", " /Version /2.0"), true},
    {"Pdf17Catalogue", withId("%PDF-1.4\n", " /Version /1.7"), false},
    {"PdfAMetadata", withId("%PDF-1.7\n", "", pdfaPacket), true},
    {"PdfAMetadataXRefStream", withId("%PDF-1.7\n", "", pdfaPacket, true), true},
    {"MetadataWithoutPdfA", withId("%PDF-1.7\n", "", plainPacket), false},
    {"Pdf20WithoutId", withoutId("%PDF-2.0\n"), false},
};

class TrailerId : public testing::TestWithParam<IdCase> {};

TEST_P(TrailerId, IsKeptWhereTheStandardRequiresIt) {
    const IdCase& c = GetParam();
    TemporaryFolder folder;
    const ProcessResult run = rotate(folder, withHeader(onePage(c.layout), c.layout.header));
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1-1"), run.output);
    ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    const std::string trailer = qpdfTrailer(folder / "out.pdf");
    const bool kept = trailer.find("/ID [ <00112233445566778899aabbccddeeff> <ffeeddccbbaa99887766554433221100> ]") !=
                      std::string::npos;
    EXPECT_EQ(c.keepsId, kept) << trailer;
    if (!c.keepsId) {
        EXPECT_EQ(std::string::npos, trailer.find("/ID")) << trailer;
    }
}

INSTANTIATE_TEST_SUITE_P(Trailer, TrailerId, testing::ValuesIn(idCases), caseName);

// PDF/A metadata that the filter chain decodes counts as well as plain metadata.
TEST(TrailerIdMetadata, ACompressedPdfAClaimIsRead) {
    TemporaryFolder folder;
    OnePage layout = withId();
    layout.metadata = deflated(pdfaPacket);
    layout.metadataEntries = " /Filter /FlateDecode";
    rotate(folder, onePage(layout));
    EXPECT_NE(std::string::npos, qpdfTrailer(folder / "out.pdf").find("/ID ["));
}

// An object stream's object ends where the next one begins; an ordinary object
// ends at its "endobj", which a string left open would swallow.
struct UnclosedCase {
    const char* name;
    std::string text;   // the last object of the object stream: object 6, the document's Info
    const char* title;  // the value qpdf reads from the repaired output ("": see the case)
};

const UnclosedCase unclosedCases[] = {
    {"Literal", "<< /Title (Left open", "Left open"},
    {"Nested", "<< /Title (Left (open", "Left \\(open\\)"},
    {"EscapeAtTheEnd", "<< /Title (Left open\\", "Left open"},
    {"Hexadecimal", "<< /Title <4C656674", "Left"},
    {"HexadecimalBetweenNoSpaces", "<</Title<4C656674", "Left"},  // a "<<" and then a lone "<"
    {"InAnArray", "<< /Title [ (Left open", ""},
};

std::string objectStreamDocument(const std::string& lastObject) {
    PdfBuilder pdf;
    pdf.objectStream(7, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                         {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                         {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>"},
                         {6, lastObject}});
    pdf.stream(4, "", "0 0 m 10 10 l S");
    pdf.startxref(pdf.xrefStream(8, "/Root 1 0 R /Info 6 0 R"));
    return pdf.bytes();
}

class UnclosedString : public testing::TestWithParam<UnclosedCase> {};

TEST_P(UnclosedString, IsDamageWithoutRepair) {
    TemporaryFolder folder;
    const ProcessResult run = rotate(folder, objectStreamDocument(GetParam().text));
    EXPECT_EQ(banner + jobHead(folder / "in.pdf", folder / "out.pdf", 90, "1-1") + "PDF file was damaged", run.output);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_FALSE(exists(folder / "out.pdf"));
    EXPECT_NE(std::string::npos, run.errors.find("-repair"));
}

TEST_P(UnclosedString, IsClosedAtTheObjectsEndWithRepair) {
    const UnclosedCase& c = GetParam();
    TemporaryFolder folder;
    const ProcessResult run = rotate(folder, objectStreamDocument(c.text), {"-repair"});
    EXPECT_EQ(banner + jobHead(folder / "in.pdf", folder / "out.pdf", 90, "1-1") +
                  "\nFile repaired: arrays or dictionaries left open were closed in 1 object; strings left open "
                  "were closed in 1 object\nDone.\n",
              run.output);
    ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_EQ(std::vector<long>{90}, shownRotations(folder / "out.pdf"));
    const ProcessResult info = runProcess({"qpdf", "--show-object=6", folder / "out.pdf"});
    const std::string title = *c.title ? std::string("/Title (") + c.title + ")" : "/Title [ (Left open) ]";
    EXPECT_NE(std::string::npos, info.output.find(title)) << info.output;
}

INSTANTIATE_TEST_SUITE_P(ObjectStreams, UnclosedString, testing::ValuesIn(unclosedCases), caseName);

// A comment that ends an object stream's last object ends with the object: the
// output gives it a line end, so that it does not swallow the "endobj" after it.
TEST(ObjectStreamComment, AtTheEndOfAnObjectGetsALineEnd) {
    TemporaryFolder folder;
    const ProcessResult run = rotate(folder, objectStreamDocument("<< /Title (Kept) >> % a last word"));
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1-1"), run.output);
    ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_NE(std::string::npos, runProcess({"qpdf", "--show-object=6", folder / "out.pdf"}).output.find("(Kept)"));
}

}  // namespace
