#include <gtest/gtest.h>

#include <cstdint>

#include "xref/XRefEntry.h"

// An entry holds its offset in twelve bytes: every offset a file can have reads
// back as it was set, and one beyond 48 bits is held at their limits.
TEST(XRefEntry, OffsetsReadBackAsSetAndBeyond48BitsAreHeld) {
    for (const int64_t offset :
         {int64_t{-1}, int64_t{0}, int64_t{17}, int64_t{INT32_MAX}, int64_t{UINT32_MAX}, int64_t{4'294'967'296},
          int64_t{9'999'999'999}, int64_t{-5}, int64_t{INT32_MIN}, splitoffset::largest, splitoffset::smallest}) {
        const XRefEntry entry{offset, 3, XRefEntryType::Uncompressed};
        EXPECT_EQ(offset, entry.offset()) << offset;
        EXPECT_EQ(3, entry.gen) << offset;
        EXPECT_EQ(XRefEntryType::Uncompressed, entry.type) << offset;
    }
    EXPECT_EQ(splitoffset::largest, (XRefEntry{INT64_MAX, 0, XRefEntryType::Uncompressed}.offset()));
    EXPECT_EQ(splitoffset::smallest, (XRefEntry{INT64_MIN, 0, XRefEntryType::Uncompressed}.offset()));
    EXPECT_TRUE(XRefEntry{}.isUnset());
    EXPECT_FALSE((XRefEntry{4'294'967'295, 0, XRefEntryType::Free}.isUnset()));
}

// Positions count from the "%PDF-" header; a negative offset (damage) lies where
// its value held at 32 bits says, past any file of less than 4 GiB.
TEST(XRefEntry, PositionsCountFromTheHeaderAndNegativeOffsetsLieFarPast) {
    EXPECT_EQ(5'000'000'007u, (XRefEntry{5'000'000'000, 0, XRefEntryType::Uncompressed}.position(7)));
    EXPECT_EQ(uint64_t{7} + 4'294'967'291, (XRefEntry{-5, 0, XRefEntryType::Uncompressed}.position(7)));
    EXPECT_EQ(uint64_t{7} + 2'147'483'648, (XRefEntry{-99'999'999'999, 0, XRefEntryType::Uncompressed}.position(7)));
    EXPECT_EQ(12, (XRefEntry{12, 4, XRefEntryType::Compressed}.number()));
}
