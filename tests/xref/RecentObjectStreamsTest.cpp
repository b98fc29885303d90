#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PdfBuilder.h"
#include "xref/PdfDocument.h"
#include "xref/PdfObjectStream.h"
#include "xref/PdfXRef.h"
#include "xref/RecentObjectStreams.h"

namespace {

// Object streams 10, 20, ... 60, each holding one string of `bytes[k]` bytes as object number + 1.
struct Streams {
    PdfBuilder pdf;
    CPdfDocument document;
    CPdfXRef* xref = nullptr;

    explicit Streams(const std::vector<size_t>& bytes) {
        pdf.object(1, "<< /Type /Catalog >>");
        for (size_t k = 0; k < bytes.size(); ++k) {
            const int number = 10 * static_cast<int>(k + 1);
            std::string text(bytes[k] + 2, 'x');
            text.front() = '(';
            text.back() = ')';
            pdf.objectStream(number, {{number + 1, text}});
        }
        pdf.startxref(pdf.xrefStream(99, "/Root 1 0 R"));
        xref = &pdf.open(document);
    }
    std::shared_ptr<const DecodedObjectStream> decoded(int number) const {
        return std::make_shared<const DecodedObjectStream>(xref, number);
    }
};

std::vector<int32_t> keptOf(RecentObjectStreams& recent, const std::vector<int32_t>& numbers) {
    std::vector<int32_t> kept;
    for (const int32_t number : numbers)
        if (recent.find(number)) kept.push_back(number);
    return kept;
}

}  // namespace

TEST(RecentObjectStreams, KeepsTheNewestWithinTheirCountAndBytes) {
    Streams streams({100, 100, 100, 100, 1000});
    RecentObjectStreams recent(3, 600);
    for (const int number : {10, 20, 30}) recent.keep(streams.decoded(number));
    EXPECT_EQ((std::vector<int32_t>{10, 20, 30}), keptOf(recent, {10, 20, 30}));
    ASSERT_NE(nullptr, recent.find(10));  // now the newest: 20 is the oldest
    recent.keep(streams.decoded(40));
    EXPECT_EQ((std::vector<int32_t>{10, 30, 40}), keptOf(recent, {10, 20, 30, 40}));
    recent.keep(streams.decoded(50));  // larger than every bound: not kept, the others stay
    EXPECT_EQ((std::vector<int32_t>{10, 30, 40}), keptOf(recent, {10, 20, 30, 40, 50}));
    recent.clear();
    EXPECT_TRUE(keptOf(recent, {10, 20, 30, 40, 50}).empty());
}

TEST(RecentObjectStreams, LetsTheOldestGoUntilTheBytesFit) {
    Streams streams({200, 200, 300});
    const size_t first = streams.decoded(10)->data.size(), third = streams.decoded(30)->data.size();
    RecentObjectStreams recent(8, first * 2 + third - 1);  // all three miss by a byte
    for (const int number : {10, 20, 30}) recent.keep(streams.decoded(number));
    EXPECT_EQ((std::vector<int32_t>{20, 30}), keptOf(recent, {10, 20, 30}));
}

// A walk that goes back to the first stream after each of the others decodes each once.
TEST(RecentObjectStreams, TheCrossReferenceDecodesAStreamItReturnsToOnce) {
    Streams streams({5000, 100, 100, 100});
    CPdfXRef& xref = *streams.xref;
    uint64_t once = 0;
    for (const int number : {10, 20, 30, 40}) once += streams.decoded(number)->data.size();
    const uint64_t before = xref.objectStreams().bytesDecoded();
    CPdfElement object;
    for (const int kid : {21, 31, 41}) {
        xref.fetchObject(11, 0, object);
        object.clear();  // a reused element lets its text go first
        xref.fetchObject(kid, 0, object);
        object.clear();
    }
    EXPECT_EQ(once, xref.objectStreams().bytesDecoded() - before);
}
