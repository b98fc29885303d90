#include <gtest/gtest.h>

#include <string>

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
