#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/DirectPages.h"

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::string textOf(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

TEST(DirectPages, KidsWrittenInsideKidsLeaveReferencesBehind) {
    std::vector<uint8_t> node = bytesOf(
        "4 0 obj\n<< /Type /Pages /Kids [<< /Type /Page /Contents 9 0 R >> 6 0 R\n<</Type/Page>>] /Count 3 >>\nendobj\n");
    std::vector<std::string> kids;
    ASSERT_TRUE(moveKidsOut(node, {{4, 0, 20, 0}, {4, 2, 21, 2}}, kids));
    EXPECT_EQ("4 0 obj\n<< /Type /Pages /Kids [20 0 R 6 0 R\n21 0 R] /Count 3 >>\nendobj\n", textOf(node));
    EXPECT_EQ((std::vector<std::string>{"<< /Type /Page /Contents 9 0 R >>", "<</Type/Page>>"}), kids);
}

TEST(DirectPages, AKidThatIsNoDictionaryLeavesTheNodeAsItWas) {
    const std::string text = "4 0 obj\n<< /Kids [6 0 R << /Type /Page >>] >>\nendobj\n";
    std::vector<uint8_t> node = bytesOf(text);
    std::vector<std::string> kids;
    EXPECT_FALSE(moveKidsOut(node, {{4, 0, 20, 0}}, kids));
    EXPECT_FALSE(moveKidsOut(node, {{4, 5, 20, 0}}, kids));  // past the end of /Kids
    EXPECT_EQ(text, textOf(node));
}

TEST(DirectPages, TheNewObjectNamesItsParentUnlessItDoesAlready) {
    EXPECT_EQ("20 0 obj\n<< /Parent 4 1 R /Type /Page >>\nendobj\n",
              movedPageObject({4, 0, 20, 0}, 1, "<< /Type /Page >>"));
    EXPECT_EQ("20 0 obj\n<< /Type /Page /Parent 4 0 R >>\nendobj\n",
              movedPageObject({4, 0, 20, 0}, 0, "<< /Type /Page /Parent 4 0 R >>"));
}

TEST(DirectPages, APageTreeObjectGetsTheTypeItWasReadAs) {
    std::vector<uint8_t> node = bytesOf("4 0 obj\n<< /Type /Page /Kids [5 0 R] >>\nendobj\n");
    ASSERT_TRUE(correctPageTreeType(node, true));
    EXPECT_EQ("4 0 obj\n<< /Type /Pages /Kids [5 0 R] >>\nendobj\n", textOf(node));
    std::vector<uint8_t> page = bytesOf("6 0 obj\n<< /Parent 4 0 R >>\nendobj\n");
    ASSERT_TRUE(correctPageTreeType(page, false));
    EXPECT_EQ("6 0 obj\n<< /Type /Page /Parent 4 0 R >>\nendobj\n", textOf(page));
    std::vector<uint8_t> number = bytesOf("7 0 obj\n12\nendobj\n");
    EXPECT_FALSE(correctPageTreeType(number, false));
}
