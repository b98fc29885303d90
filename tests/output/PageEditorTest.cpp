#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "WalkedTree.h"
#include "output/PageEditor.h"
#include "rawtext/RawObject.h"

namespace {

RawObject inMemory(const std::string& text) {
    RawObject object;
    object.bytes.assign(text.begin(), text.end());
    return object;
}

std::string edited(const std::string& text, int32_t rotation) {
    const RawObject object = inMemory(text);
    const PageEdit edit = planPageEdit(object, rotation);
    const std::string result = rotatedPageText(object, edit);
    EXPECT_EQ(static_cast<int64_t>(result.size()) - static_cast<int64_t>(text.size()), edit.growth());
    return result;
}

}  // namespace

// Readers show the last of repeated keys: every one gets the new value, each written
// from the one replacement text the edit holds, however often the key repeats.
TEST(PageEditor, EveryRepeatedRotateGetsTheNewValue) {
    EXPECT_EQ("3 0 obj\n<< /Rotate 90  /Type /Page /Rotate 90  /Rotate 90  >>\nendobj\n",
              edited("3 0 obj\n<< /Rotate 0 /Type /Page /Rotate 180.0 /Rotate -90 >>\nendobj\n", 90));
    std::string many = "3 0 obj\n<< /Type /Page";
    for (int i = 0; i < 10000; ++i) many += " /Rotate 0";
    many += " >>\nendobj\n";
    const RawObject object = inMemory(many);
    const PageEdit edit = planPageEdit(object, 270);
    EXPECT_EQ(10000u, edit.spans.size());
    EXPECT_EQ(" 270 ", edit.replacement);
    EXPECT_EQ(10000 * 3, edit.growth());
}

TEST(PageEditor, APageWithoutRotateGetsOneAfterItsDictionaryOpens) {
    EXPECT_EQ("3 0 obj\n<</Rotate -180\n /Type /Page >>\nendobj\n",
              edited("3 0 obj\n<< /Type /Page >>\nendobj\n", -180));
    EXPECT_EQ("3 0 obj\n[1 2]\nendobj\n", edited("3 0 obj\n[1 2]\nendobj\n", 90));  // no dictionary: as it was
}

// A page whose dictionary the walk read whole and found without a key Rotate is
// planned from what the walk found; its edit is the one a second read of its text
// makes, whatever the header, the white space or the nested keys, in the file or
// in an object stream; a page whose key the walk saw (with a null value, or
// escaped) is read again. Where the walk found a member's dictionary alone in its
// text, the text knows where the dictionary ends: nothing but white space follows.
TEST(PageEditor, APageTheWalkReadIsPlannedAsItsTextSays) {
    const std::vector<std::string> dictionaries = {
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
        "<</Type/Page/Parent 2 0 R>>",
        " \t\f<<\r/Type /Page /Parent 2 0 R\n>>\r\n",
        "% a comment: Rotate #\n<< /Type /Page /Parent 2 0 R >>",
        "<< /Type /Page /Parent 2 0 R /Resources << /Rotate 5 >> /Rotated 1 /Rot [/Rotate] >>",
        "<< /Type /Page /Parent 2 0 R /Annots (Rotate #) /Rota#78e 4 >>",
        "<< /Type /Page /Parent 2 0 R /Rotate 90 >>",
        "<< /Type /Page /Parent 2 0 R /Rotate null >>",
        "<< /Type /Page /Parent 2 0 R /Rot#61te 180 >>",
        "<< /Type /Page /Rotate 90 /Parent 2 0 R /Rotate 7 0 R >>",
        "<< /Type /Page /Parent 2 0 R /Rotate [90] >>",
    };
    const std::vector<std::string> headerEnds = {"\n", "", "\r\n", " ", "\r"};
    for (const bool inObjectStream : {false, true}) {
        PdfBuilder pdf;
        std::string kids;
        std::vector<std::pair<int, std::string>> members;
        for (size_t i = 0; i < dictionaries.size(); ++i) {
            const int number = static_cast<int>(i) + 3;
            kids += std::to_string(number) + " 0 R ";
            if (inObjectStream) {
                members.emplace_back(number, dictionaries[i]);
                continue;
            }
            pdf.entry(number, 1, pdf.offset(), 0);
            pdf.raw(std::to_string(number) + " 0 obj" + headerEnds[i % headerEnds.size()] + dictionaries[i] +
                    "\nendobj\n");
        }
        if (inObjectStream) pdf.objectStream(20, members);
        pdf.object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(dictionaries.size()) + " >>");
        const WalkedTree tree(pdf, inObjectStream);
        ASSERT_EQ(dictionaries.size(), tree.pages.size());
        const RawObjectReader reader(nullptr, *tree.xref);
        size_t plannedFromTheWalk = 0, endsKnown = 0;
        for (const PageRecord& page : tree.pages) {
            RawObject object;
            ASSERT_TRUE(reader.read(page.objNum, object)) << page.objNum;
            plannedFromTheWalk += object.dictionaryOpening != 0 && !page.facts.rotateKey;
            if (const uint32_t dictionaryEnd = aloneDictionaryEnd(object); dictionaryEnd != 0) {
                ++endsKnown;
                const std::string text(object.bytes.begin(), object.bytes.end());
                const std::string_view whitespace = " \t\r\n\f";
                std::string dictionary = dictionaries[static_cast<size_t>(page.objNum - 3)];
                dictionary = dictionary.substr(dictionary.find_first_not_of(whitespace));
                dictionary.erase(dictionary.find_last_not_of(whitespace) + 1);
                const size_t opening = object.dictionaryOpening - 2;  // the "<<"
                EXPECT_EQ(dictionary, text.substr(opening, dictionaryEnd - opening));
                const std::string after = text.substr(dictionaryEnd);
                EXPECT_EQ("endobj\r", after.substr(after.find_first_not_of(whitespace))) << after;
            }
            EXPECT_EQ(rotatedPageText(object, planPageEdit(object, 270)),
                      rotatedPageText(object, planPageEdit(object, 270, page.facts.rotateKey)))
                << dictionaries[static_cast<size_t>(page.objNum - 3)] << " " << inObjectStream;
        }
        EXPECT_EQ(6u, plannedFromTheWalk) << inObjectStream;
        EXPECT_EQ(inObjectStream ? 7u : 0u, endsKnown) << "a file's text keeps no note of its end";
    }
}
