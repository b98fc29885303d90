#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"
#include "xref/TableRows.h"

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

size_t rowLength(const std::string& text, XRefEntry& entry) {
    return tablerows::readRow(bytesOf(text), text.size(), entry);
}

}  // namespace

TEST(TableRows, ARowLaidOutAsTheFormatSaysIsReadWithItsWhiteSpace) {
    const struct {
        std::string text;
        size_t length;
        XRefEntry entry;
    } cases[] = {
        {"0000000017 00000 n\r\n", 20, {17, 0, XRefEntryType::Uncompressed}},
        {"0000000017 00003 n \n", 20, {17, 3, XRefEntryType::Uncompressed}},
        {"0000000000 65535 f\n0000000001", 19, {0, 65535, XRefEntryType::Free}},
        {"0000000017\t00000\rn\n\n\n", 21, {17, 0, XRefEntryType::Uncompressed}},
        // Ten digits are read whole, past every 32-bit offset.
        {"9999999999 00000 n\r\n", 20, {9'999'999'999, 0, XRefEntryType::Uncompressed}},
        {"4294967296 00000 n\r\n", 20, {4'294'967'296, 0, XRefEntryType::Uncompressed}},
    };
    for (const auto& c : cases) {
        XRefEntry entry;
        EXPECT_EQ(c.length, rowLength(c.text, entry)) << c.text;
        EXPECT_EQ(c.entry, entry) << c.text;
    }
}

TEST(TableRows, AnythingElseIsLeftToTheParser) {
    for (const std::string text :
         {"17 0 n\r\n", "000000017 00000 n\r\n", "0000000017 0000 n\r\n", "0000000017 00000 N\r\n",
          "0000000017 00000 nx\r\n", "0000000017 00000 n%\r\n", "-000000017 00000 n\r\n", "0000000017 00000 n",
          "trailer\n<< >>\n", "0000000017  0000 n\r\n"}) {
        XRefEntry entry;
        EXPECT_EQ(0u, rowLength(text, entry)) << text;
    }
    bool inUse = false;
    EXPECT_EQ(3u, tablerows::readTail(bytesOf(" f\n"), 3, inUse));
    EXPECT_FALSE(inUse);
    EXPECT_EQ(0u, tablerows::readTail(bytesOf(" n"), 2, inUse));
}

// Offsets are read eight digits at a step: every digit in every place counts at its
// weight, and a byte next to the digits (in value or in its low nibble) anywhere
// among the ten leaves the row to the parser.
TEST(TableRows, EachOffsetDigitCountsInItsPlaceAndNoOtherByteStandsForOne) {
    for (const uint64_t offset : {1234567890ull, 9876543210ull, 102030405ull, 9ull, 90000000ull, 8000000000ull}) {
        std::string digits = std::to_string(offset);
        digits.insert(0, 10 - digits.size(), '0');
        XRefEntry entry;
        EXPECT_EQ(20u, rowLength(digits + " 00000 n\r\n", entry)) << digits;
        EXPECT_EQ(static_cast<int64_t>(offset), entry.offset()) << digits;
    }
    for (size_t place = 0; place < 10; ++place) {
        for (const char stranger : {'/', ':', ' ', '@', 'p', '\x80', '\xB5', '\xF9', '\x10', '\x00'}) {
            std::string row = "1234567890 00000 n\r\n";
            row[place] = stranger;
            XRefEntry entry;
            EXPECT_EQ(0u, rowLength(row, entry)) << "place " << place << " byte " << int(uint8_t(stranger));
        }
    }
}

// Rows laid out in every way a table holds them, with subsections, comments,
// junk-free irregular spacing and more rows than one read takes: each entry is
// what its row says, an offset of ten digits past 4 GiB too.
TEST(TableRows, ATableReadsTheSameWhateverItsRowsLookLike) {
    const std::vector<std::string> endings = {"\r\n", " \n", " \r", "\n", "  \n", "\n% a comment\n", "\r\n"};
    PdfBuilder pdf;
    pdf.object(1, "<< /Type /Catalog >>");
    std::string section = "xref\n0 700\n";
    std::vector<XRefEntry> expected;
    for (int number = 0; number < 700; ++number) {
        const bool free = number == 0 || number % 97 == 5;
        const int64_t offset = number == 1 ? 9 : number % 5 == 3 ? 9'000'000'000 + number : 100000 + number * 7;
        const XRefEntry entry{offset, number % 13 == 0 ? 2 : 0,
                              free ? XRefEntryType::Free : XRefEntryType::Uncompressed};
        char row[64];
        if (number % 53 == 7) {  // not laid out: the parser reads it
            std::snprintf(row, sizeof row, "%lld %d %c", static_cast<long long>(entry.offset()), entry.gen,
                          free ? 'f' : 'n');
        } else {
            std::snprintf(row, sizeof row, "%010lld %05d %c", static_cast<long long>(entry.offset()), entry.gen,
                          free ? 'f' : 'n');
        }
        section += row + endings[static_cast<size_t>(number) % endings.size()];
        expected.push_back(entry);
    }
    section += "700 2\n0000000020 00000 n\r\n0000000030 00001 n\r\ntrailer\n<< /Root 1 0 R >>\n";
    const uint32_t at = pdf.offset();
    pdf.raw(section).startxref(at);
    CPdfDocument document;
    const auto& read = pdf.open(document).getEntries();
    ASSERT_EQ(702u, read.numberBound());
    for (int number = 1; number < 700; ++number) {
        const XRefEntry& entry = read.at(number);
        const XRefEntry& wanted = expected[static_cast<size_t>(number)];
        if (wanted.type == XRefEntryType::Free) EXPECT_EQ(XRefEntryType::Free, entry.type) << number;
        else EXPECT_EQ(wanted, entry) << number;
    }
    EXPECT_EQ((XRefEntry{20, 0, XRefEntryType::Uncompressed}), read.at(700));
    EXPECT_EQ((XRefEntry{30, 1, XRefEntryType::Uncompressed}), read.at(701));
}
