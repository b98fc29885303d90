// The pieces of a compact full rewrite: the object streams that the packer fills
// and the cross-reference stream, read back by the program's own reader.
#include <gtest/gtest.h>

#include <string>

#include "E2eSupport.h"
#include "PdfBuilder.h"
#include "model/PdfDictionary.h"
#include "output/ObjectStreamPacker.h"
#include "output/OutputFile.h"
#include "output/OutputTable.h"
#include "output/XRefStreamWriter.h"
#include "xref/PdfDocument.h"
#include "xref/PdfXRef.h"

namespace {

using e2e::readFile;
using e2e::TemporaryFolder;

void writeObject(OutputFile& output, OutputTable& records, int32_t number, const std::string& text) {
    OutputEntry& record = records.add(number);
    record.setOffset(output.position());
    record.written = 1;
    output.write(std::to_string(number) + " 0 obj\n" + text + "\nendobj\n");
}

// A file of the catalogue (1), the page tree (2) and `count` strings (3 on) packed,
// an ordinary object after them, and the cross-reference stream.
std::string writeFile(const TemporaryFolder& folder, int32_t count, const std::string& moreEntries = "") {
    const std::string path = folder / "out.pdf";
    OutputFile output(path.c_str());
    OutputTable records(0, false);
    output.write("%PDF-1.5\n");
    writeObject(output, records, 1, "<< /Type /Catalog /Pages 2 0 R >>");
    ObjectStreamPacker packer(output, records, nullptr);
    packer.numberStreamsFrom(count + 4);
    packer.add(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    for (int32_t number = 3; number < 3 + count; ++number) {
        std::string text = std::to_string(number);  // made in place: GCC 12 misreads "(" + text as an overlapping copy
        packer.add(number, text.insert(0, 1, '(') + ')');
    }
    writeObject(output, records, count + 3, "(ordinary)");
    packer.finish();
    writeXRefStream(output, records, {1, 0}, {count + 3, 0}, moreEntries);
    output.commit();
    return path;
}

std::string trailerKey(CPdfXRef& xref, const char* key) {
    CPdfElement value;
    xref.trailerDictionary().dictionary()->findRaw(key, value);
    return value.is(ElementType::Reference) ? std::to_string(value.reference().number) : describe(value);
}

}  // namespace

TEST(CompactWriting, ObjectsGoIntoStreamsOfAtMostTwoHundredThatTheReaderReadsBack) {
    TemporaryFolder folder;
    const std::string path = writeFile(folder, 450);
    CPdfDocument document;
    document.open(path.c_str(), ReadMode::Strict);
    CPdfXRef& xref = *document.xref();
    const XRefEntryTable& entries = xref.getEntries();
    // 451 packed objects (2 to 452), the ordinary 453, streams 454 to 456, the cross-reference 457.
    ASSERT_EQ(458, entries.numberBound());
    EXPECT_EQ((XRefEntry{454, 0, XRefEntryType::Compressed}), entries.at(2));
    EXPECT_EQ((XRefEntry{454, 199, XRefEntryType::Compressed}), entries.at(201));
    EXPECT_EQ((XRefEntry{455, 0, XRefEntryType::Compressed}), entries.at(202));
    EXPECT_EQ((XRefEntry{456, 50, XRefEntryType::Compressed}), entries.at(452));
    for (const int32_t number : {453, 454, 455, 456, 457})
        EXPECT_EQ(XRefEntryType::Uncompressed, entries.at(number).type) << number;
    EXPECT_TRUE(entries.at(0).isUnset()) << "only the numbers in use are listed";
    EXPECT_EQ("300", fetched(xref, 300));
    EXPECT_EQ("ordinary", fetched(xref, 453));
    int32_t length = 0;
    const uint8_t* text = xref.getRawObject(2, 0, length);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ("<< /Type /Pages /Kids [] /Count 0 >>\n", std::string(reinterpret_cast<const char*>(text), length));
    EXPECT_EQ("1", trailerKey(xref, "Root"));
    EXPECT_EQ("453", trailerKey(xref, "Info"));
    EXPECT_EQ("458", trailerKey(xref, "Size"));
}

TEST(CompactWriting, AStreamEndsAtAQuarterMebibyteOfText) {
    TemporaryFolder folder;
    const std::string path = folder / "out.pdf";
    OutputFile output(path.c_str());
    OutputTable records(0, false);
    ObjectStreamPacker packer(output, records, nullptr);
    packer.numberStreamsFrom(10);
    const std::string large(100 * 1024, 'a');
    for (int32_t number = 1; number <= 5; ++number) packer.add(number, "(" + large + ")");
    packer.finish();
    EXPECT_EQ(2u, packer.streamsWritten());
    EXPECT_EQ(10u, records.find(3)->offset()) << "the third object fills the first stream";
    EXPECT_EQ(2, records.find(3)->gen);
    EXPECT_EQ(11u, records.find(4)->offset());
    EXPECT_EQ(OutputEntry::inObjectStream, records.find(5)->written);
    EXPECT_EQ(1, records.find(11)->written);
}

// The rows are filtered with PNG Up, the widths fitted, the trailer's entries kept.
TEST(CompactWriting, TheCrossReferenceStreamDictionarySaysHowItsRowsAreWritten) {
    TemporaryFolder folder;
    const std::string written = readFile(writeFile(folder, 3, "/ID [<01><01>]\n"));
    EXPECT_NE(
        std::string::npos,
        written.find("8 0 obj\n<< /Type /XRef /Size 9 /W [1 2 1] /Index [1 8] /DecodeParms << /Columns 4 "
                     "/Predictor 12 >>\n/Root 1 0 R\n/Info 6 0 R\n/ID [<01><01>]\n /Filter /FlateDecode /Length "))
        << written;
    const size_t startxref = written.rfind("startxref\n");
    ASSERT_NE(std::string::npos, startxref);
    EXPECT_EQ(written.find("8 0 obj"), std::stoul(written.substr(startxref + 10)));
    EXPECT_TRUE(written.ends_with("\n%%EOF\n"));
}
