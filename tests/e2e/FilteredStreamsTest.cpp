// Files whose object streams and page contents are encoded with each filter the
// reader decodes, alone and in chains. qpdf decodes them independently: it must
// find the text that was encoded (which checks the test's own encoders), and the
// program must rotate the pages held in those object streams.
#include <functional>
#include <string>

#include "E2eSupport.h"
#include "PdfBuilder.h"
#include "TestEncoders.h"

namespace {

using namespace e2e;

using Encoder = std::function<std::string(const std::string&)>;

struct Encoding {
    const char* name;
    std::string entries;  // /Filter and /DecodeParms
    Encoder encode;
};

const Encoding encodings[] = {
    {"LZW", "/Filter /LZWDecode", [](const std::string& s) { return lzwEncoded(s); }},
    {"LZW without early change", "/Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>",
     [](const std::string& s) {
         return lzwEncoded(s, {false, true, 0});
     }},
    {"LZW with clear codes", "/Filter /LZW",
     [](const std::string& s) {
         return lzwEncoded(s, {true, true, 300});
     }},
    {"ASCII85", "/Filter /ASCII85Decode", ascii85Encoded},
    {"ASCIIHex", "/Filter /AHx", asciiHexEncoded},
    {"RunLength", "/Filter /RunLengthDecode", runLengthEncoded},
    {"ASCII85 over Flate", "/Filter [/ASCII85Decode /FlateDecode]",
     [](const std::string& s) { return ascii85Encoded(zlibCompressed(s)); }},
    {"ASCIIHex over LZW", "/Filter [/ASCIIHexDecode /LZWDecode] /DecodeParms [null << /EarlyChange 0 >>]",
     [](const std::string& s) {
         return asciiHexEncoded(lzwEncoded(s, {false, true, 0}));
     }},
    {"RunLength over ASCII85", "/Filter [/RL /A85]",
     [](const std::string& s) { return runLengthEncoded(ascii85Encoded(s)); }},
};

// Text long enough that LZW codes grow to 12 bits and the table fills.
std::string pageContent(int page) {
    std::string content;
    for (int line = 0; content.size() < 40000; ++line)
        content += "BT /F1 9 Tf 40 " + std::to_string(800 - line % 90 * 9) + " Td (page " + std::to_string(page) +
                   ", line " + std::to_string(line * 7919 % 10007) + ") Tj ET\n";
    return content;
}

// Pages 3 and 4 in object stream 10, their contents in streams 5 and 6, all encoded.
std::string encodedDocument(PdfBuilder& pdf, const Encoding& encoding) {
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 595 842] >>");
    for (int page : {1, 2}) pdf.stream(4 + page, encoding.entries, encoding.encode(pageContent(page)));
    const std::string first = "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>";
    const std::string header = "3 0 4 " + std::to_string(first.size() + 1) + " ";
    const std::string objects = first + "\n<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>";
    pdf.stream(10, "/Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " " + encoding.entries,
               encoding.encode(header + objects));
    pdf.entry(3, 2, 10, 0);
    pdf.entry(4, 2, 10, 1);
    pdf.startxref(pdf.xrefStream(20, "/Root 1 0 R", true));
    return pdf.write();
}

}  // namespace

TEST(FilteredStreams, PagesInEncodedObjectStreamsAreRotated) {
    for (const Encoding& encoding : encodings) {
        SCOPED_TRACE(encoding.name);
        PdfBuilder pdf;
        const std::string input = encodedDocument(pdf, encoding);
        const auto pages = qpdfPages(input);
        ASSERT_TRUE(pages && pages->size() == 2);
        EXPECT_TRUE((*pages)[0].contents == pageContent(1) && (*pages)[1].contents == pageContent(2));
        TemporaryFolder folder;
        const std::string output = folder / "out.pdf";
        EXPECT_EQ(banner + jobDone(input, output, 90, "1-2"), runJob(input, output, {"-pall", "-r90"}).output);
        EXPECT_TRUE(qpdfCheckClean(output));
        EXPECT_EQ((std::vector<long>{90, 90}), shownRotations(output));
        // The content streams are copied as they were, still encoded.
        const auto rotated = qpdfPages(output);
        ASSERT_TRUE(rotated && rotated->size() == 2);
        EXPECT_EQ((*pages)[1].contents, (*rotated)[1].contents);
    }
}

// A filter the reader does not decode, alone or in a chain, leaves the object
// stream unread, and the file is refused as before.
TEST(FilteredStreams, AnObjectStreamUnderAnImageFilterIsNotRead) {
    const Encoding undecoded[] = {
        {"DCT", "/Filter /DCTDecode", [](const std::string& s) { return s; }},
        {"ASCIIHex over DCT", "/Filter [/AHx /DCTDecode]", asciiHexEncoded},
    };
    for (const Encoding& encoding : undecoded) {
        SCOPED_TRACE(encoding.name);
        PdfBuilder pdf;
        const std::string input = encodedDocument(pdf, encoding);
        TemporaryFolder folder;
        const ProcessResult run = runJob(input, folder / "out.pdf", {"-pall", "-r90"});
        EXPECT_EQ(2, run.exitCode);
        EXPECT_EQ(std::string::npos, run.output.find("Done.")) << run.output;
        EXPECT_FALSE(exists(folder / "out.pdf"));
    }
}
