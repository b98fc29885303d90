// The pieces of the output around its objects: the head, the new cross-reference
// table and the trailer.
#include "output/XRefWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"
#include "platform/Platform.h"

// A damaged table may give every object an offset far beyond the end of the file
// (an object before the header has a negative one): the copy stops at the end.
uint64_t headLengthOf(const XRefEntryTable& table) {
    uint64_t headLength = 0;
    for (const auto [number, entry] : table) {
        if (number == 0 || entry.type != XRefEntryType::Uncompressed) continue;
        const uint64_t offset = entry.position(0);
        if (offset != 0 && (headLength == 0 || offset < headLength)) headLength = offset;
    }
    return headLength;
}

void copyHead(OutputFile& output, FILE* inputFile, uint64_t headLength, uint64_t base) {
    output.copyUpTo(inputFile, base, headLength);
}

namespace {

void writeNumber(OutputFile& output, uint64_t value) { output.write(std::to_string(value)); }

// "00" to "99": two digits a step, half the divisions of one at a time.
constexpr std::array<char, 200> makeDigitPairs() {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}
constexpr std::array<char, 200> digitPairs = makeDigitPairs();

void writePair(char* digits, uint32_t pair) {
    digits[0] = digitPairs[2 * pair];
    digits[1] = digitPairs[2 * pair + 1];
}

// `value` (below 100,000) in five decimal digits with leading zeros, in 32 bits:
// a generation that is not 0.
void formatFiveDigits(char* digits, uint32_t value) {
    const uint32_t lastFour = value % 10000;
    digits[0] = static_cast<char>('0' + value / 10000);
    writePair(digits + 1, lastFour / 100);
    writePair(digits + 3, lastFour % 100);
}

// `value` (below 10^8) in eight decimal digits with leading zeros, all made at once
// in one 64-bit word, the first digit in its lowest byte: two halves of four digits
// in 32-bit lanes, each parted into two pairs, each pair into two digits, dividing
// by 100 and by 10 as multiplications by reciprocals exact for these ranges. No
// lane's product reaches into the next.
uint64_t eightDigits(uint32_t value) {
    const uint64_t halves = value / 10000 | (uint64_t{value % 10000} << 32);
    const uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;  // n / 100 for n < 43,699
    const uint64_t pairs = hundreds | ((halves - 100 * hundreds) << 16);
    const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;  // n / 10 for n < 179
    const uint64_t digits = tens | ((pairs - 10 * tens) << 8);
    return digits | 0x3030303030303030ULL;
}

// The word's bytes from the lowest: one store where the processor puts them first.
void storeEightDigits(char* digits, uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(digits, &word, sizeof word);
    } else {
        for (int i = 0; i < 8; ++i) digits[i] = static_cast<char>(word >> (8 * i));
    }
}

}  // namespace

// Written by hand: a formatted print per object was a twentieth of the whole run
// on large files.
void formatEntry(char* entry, uint64_t offset, uint32_t generation, bool inUse) {
    if (offset > limits::largestTableOffset) throw CPdfException(FailureKind::Output, message::outputTooLargeForTable);
    writePair(entry, static_cast<uint32_t>(offset / 100'000'000));
    storeEightDigits(entry + 2, eightDigits(static_cast<uint32_t>(offset % 100'000'000)));
    entry[10] = ' ';
    if (generation == 0) std::memcpy(entry + 11, "00000", 5);  // nearly every row's
    else formatFiveDigits(entry + 11, generation % 100000u);
    entry[16] = ' ';
    entry[17] = inUse ? 'n' : 'f';
    entry[18] = ' ';
    entry[19] = '\r';
}

namespace {

constexpr char freeHead[] = "0000000000 65535 f \r";

// The table goes out in blocks, not one write an entry; each entry is made where
// it goes.
class TableText {
public:
    explicit TableText(OutputFile& output)
        : output(output), block(std::make_unique_for_overwrite<char[]>(blockBytes)) {}
    // Writes what is left; the table text is complete.
    void finish() {
        output.write(block.get(), used);
        used = 0;
    }
    void addEntry(uint64_t offset, uint32_t generation, bool inUse) {
        formatEntry(room(entryBytes), offset, generation, inUse);
    }
    void addRecord(const OutputEntry& record) {
        addEntry(record.offset(), static_cast<uint32_t>(record.gen), record.written == 1);
    }
    void addSubsectionHeader(int32_t first, size_t count) {
        const std::string header = std::to_string(first) + " " + std::to_string(count) + "\r";
        std::memcpy(room(header.size()), header.data(), header.size());
    }
    void addFreeHead() { std::memcpy(room(entryBytes), freeHead, entryBytes); }

private:
    // `length` bytes at the block's end (a few dozen at most), after the block has
    // gone out when they would not fit.
    char* room(size_t length) {
        if (blockBytes - used < length) finish();
        char* place = block.get() + used;
        used += length;
        return place;
    }

    static constexpr size_t entryBytes = 20;
    static constexpr size_t blockBytes = entryBytes * 4096;
    OutputFile& output;
    std::unique_ptr<char[]> block;
    size_t used = 0;
};

using RecordIterator = std::vector<OutputTable::Record>::const_iterator;

RecordIterator endOfRun(RecordIterator run, RecordIterator end) {
    for (int32_t expected = run == end ? 0 : run->first; run != end && run->first == expected; ++run) ++expected;
    return run;
}

// Every number from 0 up: one written is in use, every other one free.
void writeWholeTable(TableText& text, const OutputTable& table) {
    const std::vector<OutputEntry>& records = table.recordsByNumber();
    text.addSubsectionHeader(0, records.size());
    text.addFreeHead();
    for (size_t number = 1; number < records.size(); ++number) text.addRecord(records[number]);
}

// The free head, then one subsection for each run of consecutive numbers
// written; a run that starts at 1 joins the head's.
void writeSubsections(TableText& text, const OutputTable& table) {
    const std::vector<OutputTable::Record>& records = table.records();
    auto run = records.begin();
    while (run != records.end() && run->first <= 0) ++run;  // the head is always free
    auto runEnd = endOfRun(run, records.end());
    const bool headJoins = run != records.end() && run->first == 1;
    text.addSubsectionHeader(0, 1 + (headJoins ? static_cast<size_t>(runEnd - run) : 0));
    text.addFreeHead();
    if (!headJoins) runEnd = run;
    for (;;) {
        for (; run != runEnd; ++run) text.addRecord(run->second);
        if (run == records.end()) return;
        runEnd = endOfRun(run, records.end());
        text.addSubsectionHeader(run->first, static_cast<size_t>(runEnd - run));
    }
}

}  // namespace

void writeXRefTable(OutputFile& output, const OutputTable& table) {
    output.write("xref\n", 5);
    TableText text(output);
    if (table.writtenWhole()) writeWholeTable(text, table);
    else writeSubsections(text, table);
    text.finish();
}

namespace {

// The generation that the new table gives an object: the one in the header that
// was written, 0 in an object stream, or the trailer's own for an object that was
// not written.
int32_t outputGeneration(const OutputTable& records, ObjectId object) {
    const OutputEntry* record = records.find(object.number);
    if (!record || !record->written) return object.generation;
    return record->written == OutputEntry::inObjectStream ? 0 : record->gen;
}

std::string reference(const char* key, const OutputTable& records, ObjectId object) {
    return key + std::to_string(static_cast<uint32_t>(object.number)) + " " +
           std::to_string(outputGeneration(records, object)) + " R\n";
}

}  // namespace

std::string rootAndInfoEntries(const OutputTable& records, ObjectId root, ObjectId info) {
    std::string entries = reference("/Root ", records, root);
    if (info.number != 0) entries += reference("/Info ", records, info);
    return entries;
}

void writeTrailer(OutputFile& output, const OutputTable& records, ObjectId root, ObjectId info, uint64_t tablePosition,
                  const std::string& moreEntries) {
    output.write("trailer\n<<\n/Size ");
    writeNumber(output, static_cast<uint32_t>(records.size()));
    output.write("\n");
    output.write(rootAndInfoEntries(records, root, info));
    output.write(moreEntries);
    output.write(">>\nstartxref\n");
    writeNumber(output, tablePosition);
    output.write("\n%%EOF");
}

std::string encryptReference(ObjectId encrypt) {
    return "/Encrypt " + std::to_string(encrypt.number) + " " + std::to_string(encrypt.generation) + " R";
}
