#include <gtest/gtest.h>

#include <optional>

#include "TestByteFile.h"
#include "model/PdfException.h"
#include "stream/PdfFilterChain.h"

namespace {

// Two rows of an up predictor with five columns, or six rows with one column.
const std::string inflated = byteString({2, 1, 2, 3, 4, 5, 2, 1, 1, 1, 1, 1});
const std::string fiveColumns = byteString({1, 2, 3, 4, 5, 2, 3, 4, 5, 6});
const std::string oneColumn = byteString({1, 4, 9, 10, 1, 1});

struct FilterCase {
    const char* dictionary;
    std::optional<std::string> decoded;  // none: applyFilters gives null
};

const FilterCase filterCases[] = {
    {"<< /F /Fl >>", inflated},
    {"<< /Filter null /F /FlateDecode >>", inflated},
    {"<< /Filter /FlateDecode /F /DCTDecode >>", inflated},
    {"<< /Filter [/FlateDecode] >>", inflated},
    {"<< /Filter [] >>", std::nullopt},
    {"<< /Filter [/FlateDecode /FlateDecode] >>", std::nullopt},
    {"<< /Filter [7] >>", std::nullopt},
    {"<< /Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /Identity >> null] >>", inflated},
    {"<< /Filter [/Crypt /Fl] /DecodeParms [<< /Name /Identity >> << /Predictor 12 /Columns 5 >>] >>", fiveColumns},
    {"<< /Filter [/Crypt /Fl /Fl] >>", std::nullopt},
    {"<< /Filter (FlateDecode) >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 5 >> >>", fiveColumns},
    {"<< /Filter /Fl /DP << /Predictor 12 /Columns 5 >> >>", fiveColumns},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 5.0 >> >>", oneColumn},
    {"<< /Filter [/Fl] /DecodeParms [<< /Predictor 12 /Columns 5 >>] >>", fiveColumns},
    {"<< /Filter /Fl /DecodeParms [<< /Predictor 12 /Columns 5 >>] >>", inflated},
    {"<< /Filter /Fl /DecodeParms 12 >>", inflated},
    {"<< /Filter /Fl /DecodeParms /Predictor >>", inflated},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Colors 0 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Colors 33 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 2 /BitsPerComponent 3 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 0 >> >>", std::nullopt},
    {"<< /Filter /Fl /DecodeParms << /Predictor 12 /Columns 20000000 >> >>", std::nullopt},
};

}  // namespace

TEST(PdfFilterChain, ChoosesTheDecoderFromTheDictionary) {
    const std::string packed = zlibCompressed(inflated);
    const TestByteFile file(packed);
    for (const FilterCase& test : filterCases) {
        RetainPtr<CPdfStream> raw = file.openStream(0, static_cast<uint32_t>(packed.size()));
        const CPdfStream* rawAddress = raw.get();
        RetainPtr<CPdfStream> decoded = applyFilters(std::move(raw), parseFirst(test.dictionary));
        if (!test.decoded) {
            EXPECT_EQ(nullptr, decoded.get()) << test.dictionary;
            continue;
        }
        ASSERT_NE(nullptr, decoded.get()) << test.dictionary;
        EXPECT_NE(rawAddress, decoded.get()) << test.dictionary;
        EXPECT_EQ(*test.decoded, readAll(*decoded.get())) << test.dictionary;
    }
}

TEST(PdfFilterChain, WithoutFilterTheRawStreamComesBack) {
    const TestByteFile file("raw bytes");
    RetainPtr<CPdfStream> raw = file.openStream();
    const RetainPtr<CPdfStream> result = applyFilters(raw, parseFirst("<< /Filter null /Length 9 >>"));
    EXPECT_EQ(raw.get(), result.get());
    EXPECT_EQ(2, raw->referenceCount());  // the test's holder and the result: the count passed through
    EXPECT_EQ("raw bytes", readAll(*raw.get()));
}

TEST(PdfFilterChain, RejectsOtherFilterNames) {
    const TestByteFile file("x");
    for (const char* dictionary : {"<< /Filter /fl >>", "<< /Filter /FlateDecodeX >>", "<< /Filter /DCTDecode >>",
                                   "<< /Filter [/LZWDecode] >>"}) {
        try {
            applyFilters(file.openStream(), parseFirst(dictionary));
            ADD_FAILURE() << dictionary << " was accepted";
        } catch (const CPdfException& failure) {
            EXPECT_STREQ("Stream filter not supported", failure.messageText()) << dictionary;
        }
    }
}
