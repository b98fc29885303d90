#include <gtest/gtest.h>

#include <string>

#include "PdfBuilder.h"
#include "rawtext/RawObject.h"
#include "rawtext/StreamLength.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

// Object 8 holds the integer 5, object 9 a name: the targets of indirect Lengths.
struct Lengths {
    Lengths() {
        pdf.object(1, "<< /Type /Catalog >>");
        pdf.object(8, "5");
        pdf.object(9, "/Five");
        pdf.startxref(pdf.table("/Root 1 0 R"));
    }
    // The object's text after correction, or "unchanged".
    std::string corrected(const std::string& text) {
        RawObject object;
        object.bytes.assign(text.begin(), text.end());
        StreamLengthEdit edit;
        if (!findStreamLengthEdit(object, pdf.open(document), edit)) return "unchanged";
        applyStreamLengthEdit(object, edit);
        return std::string(object.bytes.begin(), object.bytes.end());
    }
    PdfBuilder pdf;
    CPdfDocument document;
};

}  // namespace

TEST(StreamLength, TheDataUpToEndstreamGivesTheLength) {
    const struct {
        std::string body;      // between "4 0 obj\n" and "\nendobj\n"
        std::string expected;  // the body afterwards
    } cases[] = {
        {"<< /Length 5 >>\nstream\nabcde\nendstream", "unchanged"},
        {"<< /Length 5 >>\r\nstream\r\nabcde\r\nendstream", "unchanged"},
        {"<< /Length 7 >>\nstream\nabcde  endstream", "unchanged"},  // white space before endstream is allowed
        {"<< /Length 8 0 R >>\nstream\nabcde\nendstream", "unchanged"},
        {"<< /Length 9 >>\nstream\nabcde\nendstream", "<< /Length 5 >>\nstream\nabcde\nendstream"},
        {"<< /Length 2 >>\nstream\nabcde\nendstream", "<< /Length 5 >>\nstream\nabcde\nendstream"},
        {"<< /Length 99999 /Filter /X >>\nstream\nabcde\nendstream",
         "<< /Length 5 /Filter /X >>\nstream\nabcde\nendstream"},
        {"<< /Length -4 >>\nstream\nabcde\r\nendstream", "<< /Length 5 >>\nstream\nabcde\r\nendstream"},
        {"<</Length 7>>\nstream\nab\r\ncde\r\nendstream", "unchanged"},
        {"<</Length 6>>\nstream\nab\r\ncde\r\nendstream", "<</Length 7>>\nstream\nab\r\ncde\r\nendstream"},
        {"<< /Length 3 0 R >>\nstream\nabcde\nendstream", "<< /Length 5 >>\nstream\nabcde\nendstream"},
        {"<< /Length 9 0 R >>\nstream\nabcde\nendstream", "<< /Length 5 >>\nstream\nabcde\nendstream"},
        {"<< /Length 8 0 R >>\nstream\nabcdefg\nendstream", "<< /Length 7 >>\nstream\nabcdefg\nendstream"},
        {"<< /Length 8 >>\nstream\nabcdefghijkl", "unchanged"},           // no endstream: nothing to go by
        {"<< /Type /XObject >>\nstream\nabcde\nendstream", "unchanged"},  // no Length to correct
        {"<< /Length 9 >>", "unchanged"},                                 // no stream
        {"[ /Length 9 ]", "unchanged"},
    };
    for (const auto& c : cases) {
        Lengths lengths;
        const std::string text = "4 0 obj\n" + c.body + "\nendobj\n";
        const std::string expected = c.expected == "unchanged" ? c.expected : "4 0 obj\n" + c.expected + "\nendobj\n";
        EXPECT_EQ(expected, lengths.corrected(text)) << c.body;
    }
}
