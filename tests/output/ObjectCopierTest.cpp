#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "PdfBuilder.h"
#include "limits/Limits.h"
#include "output/ObjectCopier.h"
#include "output/OutputFile.h"
#include "rawtext/RawObject.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using e2e::readFile;
using e2e::TemporaryFolder;

// Bytes that differ from block to block, so that a block copied twice or skipped shows.
std::string countingBytes(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>('a' + (i / 7 + i % 251) % 26);
    return bytes;
}

}  // namespace

// Objects too large to hold are copied from the input through a fixed block: an
// object that spans several blocks, and the objects around it, come out as the
// input holds them, each at the offset its record gives.
TEST(ObjectCopier, ObjectsLargerThanACopyBlockComeOutByteForByte) {
    PdfBuilder pdf;
    std::vector<uint32_t> offsets = {0};
    offsets.push_back(pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>"));
    offsets.push_back(pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"));
    offsets.push_back(pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"));
    offsets.push_back(pdf.stream(4, "", countingBytes(3 * limits::copyBlockBytes + 37)));
    offsets.push_back(pdf.object(5, "(after the large one)"));
    const uint32_t table = pdf.table("/Size 6 /Root 1 0 R");
    pdf.startxref(table);
    offsets.push_back(table);

    CPdfDocument document;
    CPdfXRef& xref = pdf.open(document);
    FILE* input = std::fopen(pdf.write().c_str(), "rb");
    ASSERT_NE(nullptr, input);
    const RawObjectReader reader(input, xref);
    TemporaryFolder folder;
    const std::string destination = folder / "out.pdf";
    OutputTable records(static_cast<int32_t>(xref.getEntries().numberBound()), true);
    {
        OutputFile output(destination.c_str());
        ObjectCopier copier(reader, output, records);
        copier.copyAll({});
        EXPECT_TRUE(copier.unreadable().empty());
        EXPECT_EQ(0u, output.incompleteCopies());
        output.commit();
    }
    std::fclose(input);

    // Each object's text runs up to the next one's record; what the input holds
    // between the end of that text and its next object is white space only.
    const std::string written = readFile(destination);
    for (size_t number = 1; number <= 5; ++number) {
        const OutputEntry* record = records.find(static_cast<int32_t>(number));
        ASSERT_TRUE(record && record->written == 1) << number;
        const size_t end = number < 5 ? records.find(static_cast<int32_t>(number + 1))->offset() : written.size();
        const size_t length = end - record->offset();
        ASSERT_LE(length, offsets[number + 1] - offsets[number]) << "object " << number;
        EXPECT_EQ(pdf.bytes().substr(offsets[number], length), written.substr(record->offset(), length))
            << "object " << number;
        const std::string between =
            pdf.bytes().substr(offsets[number] + length, offsets[number + 1] - offsets[number] - length);
        EXPECT_EQ(std::string::npos, between.find_first_not_of(" \r\n")) << "object " << number;
    }
    EXPECT_GT(records.find(5)->offset() - records.find(4)->offset(), 3 * limits::copyBlockBytes);
}
