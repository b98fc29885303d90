#include "output/HeldBodies.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> replayed(const HeldBodies& held) {
    std::vector<std::string> texts;
    held.replay([&](std::string_view text) { texts.emplace_back(text); });
    return texts;
}

// Texts alike and unlike: page dictionaries that differ in a number or two, with
// now and then one that shares nothing, one that is empty, or one that repeats
// the one before or holds it whole.
std::vector<std::string> mixedTexts(std::mt19937& random, size_t count) {
    std::vector<std::string> texts;
    std::string previous;
    for (size_t i = 0; i < count; ++i) {
        std::string text;
        switch (random() % 6) {
        case 0:
            text = std::string(random() % 300, static_cast<char>('a' + random() % 3));
            break;
        case 1:
            text = previous;
            break;
        case 2:
            text = "x" + previous + "y";
            break;
        case 3:
            text = previous.substr(0, previous.size() / 2);
            break;
        default:
            text = "<</Contents " + std::to_string(random() % 100000) + " 0 R /Parent " +
                   std::to_string(random() % 50) + " 0 R /Rotate 90 /Type /Page>>";
        }
        texts.push_back(text);
        previous = text;
    }
    return texts;
}

}  // namespace

TEST(HeldBodies, GivesBackEveryTextAsAddedWhateverItShares) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        const std::vector<std::string> texts = mixedTexts(random, 1 + random() % 200);
        HeldBodies held(1 << 20);
        for (const std::string& text : texts) ASSERT_TRUE(held.add(text));
        EXPECT_EQ(held.count(), texts.size());
        EXPECT_EQ(replayed(held), texts);
    }
}

TEST(HeldBodies, TakesNoTextPastItsBudgetNorAnyAfter) {
    HeldBodies held(100);
    EXPECT_TRUE(held.add(std::string(40, 'a')));
    EXPECT_FALSE(held.add(std::string(80, 'b')));  // shares nothing, and would pass 100 bytes
    EXPECT_FALSE(held.add(std::string(40, 'a')));  // would fit, but comes after one that did not
    EXPECT_EQ(replayed(held), std::vector<std::string>{std::string(40, 'a')});
}

TEST(HeldBodies, HoldsAlikeTextsInAFractionOfTheirSize) {
    // 20,000 page dictionaries of some 90 bytes each, 1.8 MB in all.
    HeldBodies held(256 * 1024);
    std::vector<std::string> texts;
    for (int page = 0; page < 20000; ++page) {
        texts.push_back("<</Contents " + std::to_string(2000 + page) + " 0 R /MediaBox [0 0 612 792] /Parent " +
                        std::to_string(8 + page / 16) + " 0 R /Rotate 90 /Type /Page>>");
        ASSERT_TRUE(held.add(texts.back())) << page;
    }
    EXPECT_EQ(replayed(held), texts);
}
