#include <gtest/gtest.h>

#include "PdfBuilder.h"
#include "model/PdfDictionary.h"
#include "pages/PageShape.h"
#include "pages/PageTreeWalker.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

// The shapes of the pages of a tree under object 2, whose pages are objects 10 and
// up with the given entries, all hanging from node 2.
ShapeSurvey shapesOf(const std::vector<std::string>& pageEntries, const std::string& rootEntries = "") {
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t i = 0; i < pageEntries.size(); ++i) {
        const int number = int(10 + i);
        kids += std::to_string(number) + " 0 R ";
        pdf.object(number, "<< /Type /Page /Parent 2 0 R " + pageEntries[i] + " >>");
    }
    pdf.object(2, "<< /Type /Pages " + rootEntries + " /Kids [" + kids + "] /Count " +
                      std::to_string(pageEntries.size()) + " >>");
    pdf.object(3, "30");
    pdf.object(4, "<< /Type /Pages /Parent 2 0 R /Kids [] /Count 0 >>");
    pdf.startxref(pdf.table("/Root 1 0 R"));
    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    CPdfElement root;
    xref.fetchObject(2, 0, root);
    std::vector<PageRecord> pages;
    PageTreeWalker(xref.getEntries().numberBound(), pdf.bytes().size(), [] {}).walk(root, 2, pages);
    return surveyShapes(xref, pages, uint32_t(pages.size()));
}

constexpr PageShape portrait = PageShape::Portrait, landscape = PageShape::Landscape, unknown = PageShape::Unknown;

TEST(PageShape, WiderThanTallIsLandscapeAndSquareIsPortrait) {
    const ShapeSurvey survey =
        shapesOf({"/MediaBox [0 0 10 20]", "/MediaBox [0 0 20 10]", "/MediaBox [0 0 20 20]", "/MediaBox [0 0 20.5 20]",
                  "/MediaBox [20 20 0 0.5]", "/MediaBox [0 0 3 0 R 20]"});
    EXPECT_EQ((std::vector<PageShape>{portrait, landscape, portrait, landscape, landscape, landscape}), survey.shapes);
    EXPECT_EQ(0u, survey.unreadable);
}

TEST(PageShape, AQuarterTurnSwapsWidthAndHeight) {
    const ShapeSurvey survey = shapesOf(
        {"/MediaBox [0 0 10 20] /Rotate 90", "/MediaBox [0 0 10 20] /Rotate -90", "/MediaBox [0 0 10 20] /Rotate 450",
         "/MediaBox [0 0 10 20] /Rotate 180", "/MediaBox [0 0 10 20] /Rotate 45", "/MediaBox [0 0 10 20]"},
        "/Rotate 270");
    EXPECT_EQ((std::vector<PageShape>{landscape, landscape, landscape, portrait, portrait, landscape}), survey.shapes);
}

// The crop box counts where it is a box that meets the media box, clipped to it.
TEST(PageShape, TheCropBoxIsClippedToTheMediaBox) {
    const ShapeSurvey survey =
        shapesOf({"/MediaBox [0 0 20 10] /CropBox [0 0 5 10]", "/MediaBox [0 0 20 10] /CropBox [30 30 40 50]",
                  "/MediaBox [0 0 20 10] /CropBox [1 2]", "/MediaBox [0 0 10 20] /CropBox [-100 0 100 20]",
                  "/MediaBox [0 0 10 20]"},
                 "/CropBox [0 0 10 5]");
    EXPECT_EQ((std::vector<PageShape>{portrait, landscape, landscape, portrait, landscape}), survey.shapes);
}

TEST(PageShape, BoxesThatCannotBeReadLeaveTheShapeUnknown) {
    const ShapeSurvey survey = shapesOf({"/MediaBox [0 0 0 10]", "/MediaBox [0 0 20 /x]", "/MediaBox 5 0 R",
                                         "/MediaBox [0 0 20]", "", "/MediaBox /Letter"});
    EXPECT_EQ(std::vector<PageShape>(6, unknown), survey.shapes);
    EXPECT_EQ(6u, survey.unreadable);
}

// A page's own box that is no box is not replaced by the one above it; a box the
// page lacks comes from above, even through a /Parent chain that loops.
TEST(PageShape, InheritsOnlyWhatThePageLacks) {
    const ShapeSurvey survey =
        shapesOf({"", "/MediaBox [0 0 1 2 3]", "/CropBox [0 0 5 50]"}, "/MediaBox [0 0 200 100] /Parent 4 0 R");
    EXPECT_EQ((std::vector<PageShape>{landscape, unknown, portrait}), survey.shapes);
    EXPECT_EQ(1u, survey.unreadable);
}

}  // namespace
