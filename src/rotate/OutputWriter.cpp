// The pieces of the output around its objects: the head, the new cross-reference
// table and the trailer.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/PdfRotate.h"
#include "model/PdfException.h"
#include "xref/PdfXRef.h"

// The input's bytes from its "%PDF-" header up to its first object, copied in blocks
// and never past the end of the file: a damaged table may give every object an
// offset far beyond it (an object before the header has a negative one).
void CPdfRotate::copyHeader() {
    const std::vector<XRefEntry>& table = *entries;
    uint32_t headLength = 0;
    bool any = false;
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i].type != XRefEntryType::Uncompressed) continue;
        const uint32_t offset = static_cast<uint32_t>(table[i].offset);
        if (offset != 0 && (!any || offset < headLength)) {
            headLength = offset;
            any = true;
        }
    }
    if (!any) return;
    const uint32_t base = xref->baseOffset();
    if (fseeko(inputFile, static_cast<off_t>(base), SEEK_SET) != 0) return;
    std::vector<char> block(std::min<uint32_t>(headLength, 64 * 1024));
    for (uint32_t left = headLength; left > 0;) {
        const size_t read = fread(block.data(), 1, std::min<size_t>(left, block.size()), inputFile);
        if (read == 0) return;
        write(block.data(), read);
        left -= static_cast<uint32_t>(read);
    }
}

void CPdfRotate::writeNumber(uint32_t value) { write(std::to_string(value)); }

void CPdfRotate::writeFramed(const char* before, int64_t number, const char* after) {
    write(before, std::strlen(before));
    write(std::to_string(number));
    write(after, std::strlen(after));
}

namespace {

// `value` in `width` decimal digits with leading zeros; the caller keeps it below 10^width.
void formatDigits(char* digits, int width, uint32_t value) {
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// One 20-byte table entry: offset, generation, n or f, a space and a carriage return,
// as "%010u %05u %c \r" gives it. Written by hand: a formatted print per object
// was a twentieth of the whole run on large files.
void formatEntry(char* entry, uint32_t offset, uint32_t generation, bool inUse) {
    formatDigits(entry, 10, offset);  // a 32-bit value has at most ten digits
    entry[10] = ' ';
    formatDigits(entry + 11, 5, generation % 100000u);
    entry[16] = ' ';
    entry[17] = inUse ? 'n' : 'f';
    entry[18] = ' ';
    entry[19] = '\r';
}

}  // namespace

void CPdfRotate::writeXRefTable() {
    write("xref\n0 ", 7);
    writeNumber(static_cast<uint32_t>(outputEntries.size()));
    write("\r", 1);
    write("0000000000 65535 f \r", 20);
    // Entries go out in blocks, not one write each.
    std::string block;
    block.reserve(20 * 4096);
    char entry[21];
    for (size_t i = 1; i < outputEntries.size(); ++i) {
        const OutputEntry& record = outputEntries[i];
        formatEntry(entry, record.offset, static_cast<uint32_t>(record.gen), record.written == 1);
        block.append(entry, 20);
        if (block.size() >= 20 * 4096) {
            write(block);
            block.clear();
        }
    }
    write(block);
}

void CPdfRotate::writeTrailer(uint32_t tablePosition) {
    write("trailer\n<<\n/Size ");
    writeNumber(static_cast<uint32_t>(outputEntries.size()));
    write("\n/Root ");
    writeNumber(static_cast<uint32_t>(rootNum));
    writeFramed(" ", outputGeneration(rootNum, xref->rootGen), " R\n");
    if (infoNum != 0) {
        write("/Info ");
        writeNumber(static_cast<uint32_t>(infoNum));
        writeFramed(" ", outputGeneration(infoNum, xref->infoGen), " R\n");
    }
    write(">>\nstartxref\n");
    writeNumber(tablePosition);
    write("\n%%EOF");
}

// The generation that the new table gives an object: the one in the header that
// was written, or the trailer's own for an object that was not written.
int32_t CPdfRotate::outputGeneration(int32_t number, int32_t fallback) const {
    if (number < 0 || static_cast<size_t>(number) >= outputEntries.size()) return fallback;
    const OutputEntry& record = outputEntries[static_cast<size_t>(number)];
    return record.written ? record.gen : fallback;
}
