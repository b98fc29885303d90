// Objects larger than what is read into memory whole are searched, edited and
// copied where they lie in the file, with the same result as small ones.
#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

const size_t large = size_t{3} << 20;  // beyond the size held in memory

std::string pageWithLargeArray(const std::string& rotate) {
    return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Pad [" + std::string(large, ' ') + "0]" + rotate +
           " >>";
}

TEST(LargeObject, LargePagesAreEditedAndLargeStreamsCopiedByteForByte) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
    pdf.object(3, pageWithLargeArray(" /Rotate 90"));
    pdf.object(4, pageWithLargeArray(""));
    std::string data(large, 'x');
    data.replace(1000, 6, "endobj");  // the word inside the data cannot cut the stream short
    pdf.stream(5, "", data);
    pdf.startxref(pdf.table("/Size 6 /Root 1 0 R"));
    writeFile(folder / "in.pdf", pdf.bytes());

    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-pall", "-r180"});
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 180, "1-2"), run.output);
    ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_TRUE(isRotatedCopy(folder / "in.pdf", folder / "out.pdf", "180 180"));
    const std::string out = readFile(folder / "out.pdf");
    EXPECT_NE(std::string::npos, out.find("0] /Rotate 180  >>\nendobj\n"));
    EXPECT_NE(std::string::npos, out.find("4 0 obj\n<</Rotate 180\n /Type /Page"));
    const std::string stream =
        "5 0 obj\n<<  /Length " + std::to_string(large) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
    EXPECT_NE(std::string::npos, out.find(stream));
}

}  // namespace
