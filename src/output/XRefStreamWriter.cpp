#include "output/XRefStreamWriter.h"

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"
#include "output/OutputTable.h"
#include "output/UpdateEncoding.h"
#include "output/XRefWriter.h"

namespace {

StreamEntry streamEntryOf(int32_t number, const OutputEntry& record) {
    const uint8_t type = record.written == OutputEntry::inObjectStream ? 2 : 1;
    return {number, type, record.offset(), static_cast<uint32_t>(record.gen)};
}

// Rows of consecutive objects differ little, and least in their high bytes: with
// the PNG Up predictor (each byte less the one above it) Flate makes a tenth of
// what it makes of the rows themselves.
size_t rowBytes(const XRefStreamShape& shape) {
    return static_cast<size_t>(shape.widths[0] + shape.widths[1] + shape.widths[2]);
}

std::string predictorEntries(const XRefStreamShape& shape) {
    return " /DecodeParms << /Columns " + std::to_string(rowBytes(shape)) + " /Predictor 12 >>";
}

// The rows, each after the PNG filter byte of Up (2), go to the compressor in
// blocks: a million objects need not be held twice.
PackedBytes compressedRows(const OutputTable& records, const XRefStreamShape& shape) {
    constexpr size_t blockBytes = 64 * 1024;
    StreamDeflater deflater(StreamDeflater::fastestLevel,
                            static_cast<size_t>(records.size()) * (static_cast<size_t>(rowBytes(shape)) + 1));
    std::string above(rowBytes(shape), '\0'), row, block;
    records.forEachWritten([&](int32_t number, const OutputEntry& record) {
        row.clear();
        appendXRefRow(row, streamEntryOf(number, record), shape);
        block += '\2';
        for (size_t i = 0; i < row.size(); ++i) block += static_cast<char>(row[i] - above[i]);
        above.swap(row);
        if (block.size() < blockBytes) return;
        deflater.add(block);
        block.clear();
    });
    deflater.add(block);
    return deflater.finish();
}

}  // namespace

void writeXRefStream(OutputFile& output, OutputTable& records, ObjectId root, ObjectId info,
                     const std::string& moreEntries) {
    const int32_t number = records.size();
    if (number >= limits::maximumEntries) throw CPdfException(FailureKind::Limits, message::noNumberForXRefStream);
    const uint64_t position = output.position();
    OutputEntry& own = records.add(number);
    own.setOffset(position);
    own.gen = 0;
    own.written = 1;
    XRefStreamShape shape;
    records.forEachWritten(
        [&shape](int32_t written, const OutputEntry& record) { shape.add(streamEntryOf(written, record)); });
    const std::string entries = xrefStreamEntries(shape, records.size()) + predictorEntries(shape) + "\n" +
                                rootAndInfoEntries(records, root, info) + moreEntries;
    writeStreamObject(output, number, entries, compressedRows(records, shape));
    output.writeFramed("startxref\n", static_cast<int64_t>(position), "\n%%EOF\n");
}
