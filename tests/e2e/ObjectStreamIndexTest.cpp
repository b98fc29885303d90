// An object-stream entry whose index does not hold its object is found by its
// number in the stream's header, as other readers find it, and is written out.
#include "E2eSupport.h"
#include "PdfBuilder.h"

namespace {

using namespace e2e;

TEST(ObjectStreamIndex, AnObjectUnderAWrongIndexIsStillWritten) {
    TemporaryFolder folder;
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.objectStream(5, {{3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R >>"}});
    pdf.stream(4, "", "0 0 m 10 10 l S");
    pdf.entry(3, 2, 5, 1);  // the stream's /N is 1: index 1 holds nothing, index 0 holds object 3
    pdf.startxref(pdf.xrefStream(6, "/Root 1 0 R"));
    writeFile(folder / "in.pdf", pdf.bytes());

    const ProcessResult run = runJob(folder / "in.pdf", folder / "out.pdf", {"-pall", "-r90"});
    EXPECT_EQ(banner + jobDone(folder / "in.pdf", folder / "out.pdf", 90, "1-1"), run.output);
    ASSERT_TRUE(qpdfCheckClean(folder / "out.pdf"));
    EXPECT_NE(std::string::npos, readFile(folder / "out.pdf").find("3 0 obj\r<</Rotate 90\n"));
    EXPECT_EQ(std::vector<long>{90}, shownRotations(folder / "out.pdf"));
}

}  // namespace
