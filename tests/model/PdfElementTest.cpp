#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "stream/PdfStream.h"

TEST(PdfElement, TextsAreCopiedDeeplyUpToTheFirstNul) {
    CPdfElement source;
    source.makeString("ab\0cd");
    {
        const CPdfElement copy(source);
        EXPECT_NE(copy.text(), source.text());
        EXPECT_STREQ("ab", copy.text());
    }
    EXPECT_STREQ("ab", source.text());
}

// The array holds a dictionary of which the test keeps a count: that count is
// alone again only once the array has been destroyed.
TEST(PdfElement, ArrayIsSharedAndDestroyedAtTheLastClear) {
    CPdfElement inner, first;
    inner.makeDictionary(nullptr);
    first.makeArray(nullptr);
    first.array()->add(inner);
    CPdfElement second(first);
    EXPECT_EQ(2, first.array()->referenceCount());
    first.clear();
    EXPECT_EQ(1, second.array()->referenceCount());
    EXPECT_EQ(2, inner.dictionary()->referenceCount());
    second.clear();
    EXPECT_EQ(1, inner.dictionary()->referenceCount());
}

TEST(PdfElement, ResolveWithoutCrossReferenceKeepsTheReference) {
    CPdfElement reference, resolved;
    reference.setReference(12, 3);
    reference.resolve(nullptr, resolved);
    ASSERT_TRUE(resolved.is(ElementType::Reference));
    EXPECT_EQ(12, resolved.refNum());
    EXPECT_EQ(3, resolved.refGen());
}

TEST(PdfElement, CopiesKeepRealsAndBooleansExactly) {
    CPdfElement real, truth, falsehood;
    real.setReal(0.1 + 0.2);
    truth.setBoolean(true);
    falsehood.setBoolean(false);
    EXPECT_EQ(0.1 + 0.2, CPdfElement(real).real());
    EXPECT_TRUE(CPdfElement(truth).boolean());
    EXPECT_FALSE(CPdfElement(falsehood).boolean());
}

TEST(PdfDictionary, FirstKeyWinsAndAbsentKeysReadAsNull) {
    CPdfElement dictionary, one, two, null;
    dictionary.makeDictionary(nullptr);
    one.setInteger(1);
    two.setInteger(2);
    null.setNull();
    for (auto [key, value] : {std::pair{"A", &one}, {"A", &two}, {"a", &two}, {"N", &null}})
        dictionary.dictionary()->add(key, *value);
    for (auto [key, expected] : {std::pair{"A", 1}, {"a", 2}}) {
        CPdfElement found;
        dictionary.dictionary()->find(key, found);
        EXPECT_EQ(expected, found.integer()) << key;
    }
    for (const char* key : {"N", "B", "AA"}) {
        CPdfElement missing;
        dictionary.dictionary()->find(key, missing);
        EXPECT_TRUE(missing.is(ElementType::Null)) << key;
    }
}

TEST(PdfDictionary, TheLastOfARepeatedKeyIsKeptAside) {
    CPdfElement dictionary, value;
    dictionary.makeDictionary(nullptr);
    for (auto [key, number] : {std::pair{"Rotate", 0}, {"Type", 5}, {"Rotate", 180}, {"Rotate", 90}}) {
        value.clear();
        value.setInteger(number);
        dictionary.dictionary()->add(key, value);
    }
    for (auto [key, first, last] : {std::tuple{"Rotate", 0, 90}, {"Type", 5, 5}}) {
        CPdfElement found, foundLast;
        dictionary.dictionary()->findRaw(key, found);
        EXPECT_TRUE(dictionary.dictionary()->findLastRaw(key, foundLast)) << key;
        EXPECT_EQ(first, found.integer()) << key;
        EXPECT_EQ(last, foundLast.integer()) << key;
    }
    CPdfElement missing;
    EXPECT_FALSE(dictionary.dictionary()->findLastRaw("Parent", missing));
    EXPECT_TRUE(missing.is(ElementType::Null));
    // A key with the value null is there, though its value reads as a missing one's.
    value.clear();
    value.setNull();
    dictionary.dictionary()->add("Parent", value);
    EXPECT_TRUE(dictionary.dictionary()->findLastRaw("Parent", missing));
    EXPECT_TRUE(missing.is(ElementType::Null));
}

// A dictionary that grows from a few entries to many keeps the same rules on the
// way: every key's first value counts, its last is kept aside.
TEST(PdfDictionary, TheRulesHoldHoweverManyEntriesItHolds) {
    CPdfElement dictionary;
    dictionary.makeDictionary(nullptr);
    std::map<std::string, std::pair<int, int>> expected;  // first and last value of each key
    for (int i = 0; i < 60; ++i) {
        std::string key = "K";
        key += std::to_string((i * 7) % 23);  // keys come back, out of order
        CPdfElement value;
        value.setInteger(i);
        dictionary.dictionary()->add(key, std::move(value));
        const auto [entry, added] = expected.try_emplace(key, i, i);
        if (!added) entry->second.second = i;
        for (const auto& [known, values] : expected) {
            CPdfElement first, last;
            dictionary.dictionary()->findRaw(known, first);
            dictionary.dictionary()->findLastRaw(known, last);
            ASSERT_EQ(values.first, first.integer()) << known << " after " << i;
            ASSERT_EQ(values.second, last.integer()) << known << " after " << i;
        }
        CPdfElement absent;
        dictionary.dictionary()->findRaw("K99", absent);
        ASSERT_TRUE(absent.is(ElementType::Null));
    }
}

namespace {

// Counts are taken and given back only through a holder.
template <class T>
concept CountedFromOutside = requires(T& object) {
    object.retain();
}
|| requires(T& object) { object.release(); };
static_assert(!CountedFromOutside<CPdfArray> && !CountedFromOutside<CPdfDictionary> && !CountedFromOutside<CPdfStream>);

}  // namespace
