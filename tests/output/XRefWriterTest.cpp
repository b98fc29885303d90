#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"
#include "output/XRefWriter.h"

namespace {

using e2e::readFile;
using e2e::TemporaryFolder;

// What `write` puts into a new output.
template <class Write>
std::string written(Write write) {
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputFile output(destination.c_str());
    write(output);
    output.commit();
    return readFile(destination);
}

std::string entry(uint64_t offset, uint32_t generation, bool inUse) {
    char text[20];
    formatEntry(text, offset, generation, inUse);
    return std::string(text, 20);
}

// A table written whole, with a record for every number.
OutputTable wholeTable(const std::vector<OutputEntry>& records) {
    OutputTable table(static_cast<int32_t>(records.size()), true);
    for (size_t number = 0; number < records.size(); ++number)
        table.add(static_cast<int32_t>(number)) = records[number];
    return table;
}

XRefEntryTable entryTable(const std::vector<XRefEntry>& entries) {
    XRefEntryTable table;
    for (size_t number = 0; number < entries.size(); ++number)
        EXPECT_TRUE(table.replace(static_cast<int64_t>(number), entries[number]));
    table.finish();
    return table;
}

}  // namespace

TEST(XRefWriter, EntriesAreTwentyBytesWithTheirFieldsPadded) {
    EXPECT_EQ("0000000017 00000 n \r", entry(17, 0, true));
    EXPECT_EQ("4294967295 65535 f \r", entry(UINT32_MAX, 65535, false));
    EXPECT_EQ("0000000100 00001 n \r", entry(100, 100001, true));            // five digits of generation, no more
    EXPECT_EQ("1234567890 98765 f \r", entry(1'234'567'890, 98765, false));  // every digit in its place
    // The offset is written in parts (its first two digits, then the eight others at
    // once) and a generation five digits at a time: carries across their borders.
    EXPECT_EQ("0099999999 00000 n \r", entry(99'999'999, 0, true));
    EXPECT_EQ("0100000000 00000 n \r", entry(100'000'000, 0, true));
    EXPECT_EQ("0000099999 00000 n \r", entry(99'999, 0, true));
    EXPECT_EQ("0000100000 10000 n \r", entry(100'000, 10000, true));
    EXPECT_EQ("0908070605 00001 n \r", entry(908'070'605, 1, true));
}

// A classic table's offsets have ten digits: past 4 GiB they are written whole, and
// an output that needs an eleventh is refused, by a whole table as by one entry.
// The eight last digits are made together: every digit of every width, each digit
// value in each place, and offsets on both sides of every power of ten, as a
// formatted print gives them.
TEST(XRefWriter, EveryOffsetIsWrittenAsAFormattedPrintWritesIt) {
    std::vector<uint64_t> offsets;
    for (uint64_t power = 1; power <= 1'000'000'000; power *= 10)
        for (const uint64_t near : {power - 1, power, power + 1, 2 * power - 1, 9 * power + 1}) offsets.push_back(near);
    for (uint64_t digit = 0; digit < 10; ++digit)
        for (uint64_t place = 1; place <= 1'000'000'000; place *= 10)
            offsets.push_back(digit * place + 7 * (place / 10));
    for (uint64_t value = 0, step = 1; value <= 9'999'999'999; value += step, step = step * 3 + 1)
        offsets.push_back(value);
    for (uint64_t low = 0; low < 100'000; ++low) offsets.push_back(low * 99'991 % 100'000'000 + 4'200'000'000);
    for (const uint64_t offset : offsets) {
        char printed[32];
        std::snprintf(printed, sizeof printed, "%010llu 00000 n \r", static_cast<unsigned long long>(offset));
        ASSERT_EQ(printed, entry(offset, 0, true)) << offset;
    }
}

TEST(XRefWriter, OffsetsOfTenDigitsAreWrittenAndAnEleventhIsRefused) {
    EXPECT_EQ("4294967296 00000 n \r", entry(4'294'967'296, 0, true));
    EXPECT_EQ("9999999999 00003 n \r", entry(9'999'999'999, 3, true));
    const std::string refusal = "\nThe output is too large for a cross-reference table (10 GB or more)";
    for (const uint64_t offset : {uint64_t{10'000'000'000}, uint64_t{1} << 48, UINT64_MAX}) {
        try {
            entry(offset, 0, true);
            ADD_FAILURE() << offset << " was written";
        } catch (const CPdfException& failure) {
            EXPECT_EQ(refusal, failure.messageText()) << offset;
        }
    }
    TemporaryFolder folder;
    OutputFile output((folder / "out.pdf").c_str());
    const OutputTable table = wholeTable({{0, 0, 0}, {9'999'999'999, 0, 1}, {10'000'000'000, 0, 1}});
    try {
        writeXRefTable(output, table);
        ADD_FAILURE() << "the table was written";
    } catch (const CPdfException& failure) {
        EXPECT_EQ(refusal, failure.messageText());
    }
}

// One subsection from 0: the free head of the list, then a record per number,
// in use only where the object was written.
TEST(XRefWriter, TheTableIsOneSubsectionFromZero) {
    const std::vector<OutputEntry> records = {{0, 0, 0}, {15, 0, 1}, {0, 0, 0}, {90, 2, 1}};
    EXPECT_EQ("xref\n0 4\r0000000000 65535 f \r0000000015 00000 n \r0000000000 00000 f \r0000000090 00002 n \r",
              written([&](OutputFile& output) { writeXRefTable(output, wholeTable(records)); }));
}

// The entries go out in blocks of 4096: none is lost or doubled where one block
// ends and the next begins.
TEST(XRefWriter, ATableLongerThanOneBlockKeepsEveryEntryInOrder) {
    std::vector<OutputEntry> records(2 * 4096 + 3);
    for (size_t i = 1; i < records.size(); ++i) records[i] = {static_cast<uint32_t>(i * 10), 0, 1};
    const std::string table = written([&](OutputFile& output) { writeXRefTable(output, wholeTable(records)); });
    const std::string head = "xref\n0 8195\r";
    ASSERT_EQ(head.size() + 20 * records.size(), table.size());
    EXPECT_EQ(head, table.substr(0, head.size()));
    for (const size_t number : {size_t{1}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{8192}, size_t{8194}})
        EXPECT_EQ(entry(static_cast<uint32_t>(number * 10), 0, true), table.substr(head.size() + 20 * number, 20))
            << number;
}

// Root and Info take the generation of the object written under their number, or
// the trailer's own where none was; an Info of number 0 is no Info.
TEST(XRefWriter, TheTrailerNamesRootAndInfoAtTheirWrittenGenerations) {
    const std::vector<OutputEntry> records = {{0, 0, 0}, {15, 3, 1}, {40, 0, 0}};
    EXPECT_EQ("trailer\n<<\n/Size 3\n/Root 1 3 R\n/Info 2 7 R\n/Extra 1\n>>\nstartxref\n1234\n%%EOF",
              written([&](OutputFile& output) {
                  writeTrailer(output, wholeTable(records), {1, 0}, {2, 7}, 1234, "/Extra 1\n");
              }));
    EXPECT_EQ("trailer\n<<\n/Size 3\n/Root 9 1 R\n>>\nstartxref\n5\n%%EOF", written([&](OutputFile& output) {
                  writeTrailer(output, wholeTable(records), {9, 1}, {0, 0}, 5);
              }));
}

// An object in an object stream has generation 0, whatever its index there.
TEST(XRefWriter, RootAndInfoInObjectStreamsHaveGenerationZero) {
    OutputTable table(0, false);
    table.add(1) = {7, 3, OutputEntry::inObjectStream};
    table.add(4) = {90, 2, 1};
    EXPECT_EQ("/Root 1 0 R\n/Info 4 2 R\n", rootAndInfoEntries(table, {1, 5}, {4, 0}));
    EXPECT_EQ("/Root 9 5 R\n", rootAndInfoEntries(table, {9, 5}, {0, 0})) << "one not written keeps its own";
}

TEST(XRefWriter, TheHeadEndsAtTheFirstObjectInTheFileBody) {
    std::vector<XRefEntry> entries(5);
    entries[1] = {900, 0, XRefEntryType::Uncompressed};
    entries[2] = {15, 0, XRefEntryType::Compressed};  // its offset is an object stream's number
    entries[3] = {0, 0, XRefEntryType::Uncompressed};
    entries[4] = {120, 0, XRefEntryType::Uncompressed};
    EXPECT_EQ(120u, headLengthOf(entryTable(entries)));
    EXPECT_EQ(0u, headLengthOf(entryTable(std::vector<XRefEntry>(3))));
}

TEST(XRefWriter, EncryptReferenceNamesTheDictionaryWithItsGeneration) {
    EXPECT_EQ("/Encrypt 7 0 R", encryptReference({7, 0}));
    EXPECT_EQ("/Encrypt 7 1 R", encryptReference({7, 1}));
}
