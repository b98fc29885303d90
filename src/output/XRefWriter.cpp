// The pieces of the output around its objects: the head, the new cross-reference
// table and the trailer.
#include "output/XRefWriter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "limits/Limits.h"
#include "output/OutputFile.h"
#include "platform/Platform.h"

// A damaged table may give every object an offset far beyond the end of the file
// (an object before the header has a negative one): the copy stops at the end.
uint32_t headLengthOf(const std::vector<XRefEntry>& table) {
    uint32_t headLength = 0;
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i].type != XRefEntryType::Uncompressed) continue;
        const uint32_t offset = static_cast<uint32_t>(table[i].offset);
        if (offset != 0 && (headLength == 0 || offset < headLength)) headLength = offset;
    }
    return headLength;
}

void copyHead(OutputFile& output, FILE* inputFile, uint32_t headLength, uint32_t base) {
    output.copyUpTo(inputFile, base, headLength);
}

namespace {

void writeNumber(OutputFile& output, uint32_t value) { output.write(std::to_string(value)); }

// `value` in `width` decimal digits with leading zeros; the caller keeps it below 10^width.
void formatDigits(char* digits, int width, uint32_t value) {
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

// Written by hand: a formatted print per object was a twentieth of the whole run
// on large files.
void formatEntry(char* entry, uint32_t offset, uint32_t generation, bool inUse) {
    formatDigits(entry, 10, offset);  // a 32-bit value has at most ten digits
    entry[10] = ' ';
    formatDigits(entry + 11, 5, generation % 100000u);
    entry[16] = ' ';
    entry[17] = inUse ? 'n' : 'f';
    entry[18] = ' ';
    entry[19] = '\r';
}

void writeXRefTable(OutputFile& output, const std::vector<OutputEntry>& outputEntries) {
    output.write("xref\n0 ", 7);
    writeNumber(output, static_cast<uint32_t>(outputEntries.size()));
    output.write("\r", 1);
    output.write("0000000000 65535 f \r", 20);
    // Entries go out in blocks, not one write each.
    std::string block;
    block.reserve(20 * 4096);
    char entry[21];
    for (size_t i = 1; i < outputEntries.size(); ++i) {
        const OutputEntry& record = outputEntries[i];
        formatEntry(entry, record.offset, static_cast<uint32_t>(record.gen), record.written == 1);
        block.append(entry, 20);
        if (block.size() >= 20 * 4096) {
            output.write(block);
            block.clear();
        }
    }
    output.write(block);
}

namespace {

// The generation that the new table gives an object: the one in the header that
// was written, or the trailer's own for an object that was not written.
int32_t outputGeneration(const std::vector<OutputEntry>& records, ObjectId object) {
    if (object.number < 0 || static_cast<size_t>(object.number) >= records.size()) return object.generation;
    const OutputEntry& record = records[static_cast<size_t>(object.number)];
    return record.written ? record.gen : object.generation;
}

void writeReference(OutputFile& output, const char* key, const std::vector<OutputEntry>& records,
                    ObjectId object) {
    output.write(key, std::strlen(key));
    writeNumber(output, static_cast<uint32_t>(object.number));
    output.writeFramed(" ", outputGeneration(records, object), " R\n");
}

}  // namespace

void writeTrailer(OutputFile& output, const std::vector<OutputEntry>& records, ObjectId root,
                  ObjectId info, uint32_t tablePosition, const std::string& moreEntries) {
    output.write("trailer\n<<\n/Size ");
    writeNumber(output, static_cast<uint32_t>(records.size()));
    writeReference(output, "\n/Root ", records, root);
    if (info.number != 0) writeReference(output, "/Info ", records, info);
    output.write(moreEntries);
    output.write(">>\nstartxref\n");
    writeNumber(output, tablePosition);
    output.write("\n%%EOF");
}

namespace {

std::string hexString(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "<";
    for (const char c : bytes) {
        text.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        text.push_back(digits[static_cast<uint8_t>(c) & 15]);
    }
    return text + ">";
}

}  // namespace

std::string encryptionEntries(ObjectId encrypt, const std::vector<std::string>& ids) {
    std::string entries =
        "/Encrypt " + std::to_string(encrypt.number) + " " + std::to_string(encrypt.generation) + " R\n";
    if (ids.empty()) return entries;
    entries += "/ID [";
    for (const std::string& id : ids) entries += hexString(id);
    return entries + "]\n";
}
