// Decodes arbitrary bytes through the filter chain. The first byte picks one of the
// stream dictionaries below; the rest is the stream's data. Invariants: a decoder
// ends on any data without more than its own few kilobytes of memory, block reads
// give what byte reads give, and nothing but the program's own exception escapes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "stream/PdfFilterChain.h"
#include "stream/PdfMemoryStream.h"

namespace {

const char* const dictionaries[] = {
    "<< /Filter /FlateDecode >>",
    "<< /Filter /LZWDecode >>",
    "<< /Filter /LZWDecode /DecodeParms << /EarlyChange 0 >> >>",
    "<< /Filter /LZW /DecodeParms << /Predictor 12 /Columns 4 >> >>",
    "<< /Filter /LZWDecode /DecodeParms << /Predictor 2 /Colors 3 /BitsPerComponent 4 /Columns 5 >> >>",
    "<< /Filter /ASCII85Decode >>",
    "<< /Filter /ASCIIHexDecode >>",
    "<< /Filter /RunLengthDecode >>",
    "<< /Filter [/ASCII85Decode /FlateDecode] >>",
    "<< /Filter [/AHx /LZW] /DecodeParms [null << /EarlyChange 0 >>] >>",
    "<< /Filter [/A85 /RL /LZW] >>",
    "<< /Filter [/RL /Fl] /DecodeParms << /Predictor 15 /Columns 3 /Colors 2 >> >>",
    "<< /Filter [/AHx /A85 /RL] >>",
    "<< /Filter [/Fl /DCTDecode] >>",
};
constexpr size_t dictionaryCount = sizeof dictionaries / sizeof dictionaries[0];

// Beyond this much output a run stops reading: the callers bound what they read.
constexpr size_t outputCap = 8 << 20;

CPdfElement parsedDictionary(const char* text) {
    CPdfParser parser(nullptr,
                      makeRetained<CPdfMemoryStream>(reinterpret_cast<const uint8_t*>(text),
                                                     static_cast<uint32_t>(std::char_traits<char>::length(text))));
    CPdfElement dictionary;
    parser.parseObject(dictionary);
    return dictionary;
}

RetainPtr<CPdfStream> decoder(const CPdfElement& dictionary, const uint8_t* data, size_t size) {
    return applyFilters(makeRetained<CPdfMemoryStream>(data, static_cast<uint32_t>(size)), dictionary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static std::vector<CPdfElement> parsed = [] {
        std::vector<CPdfElement> all(dictionaryCount);
        for (size_t i = 0; i < dictionaryCount; ++i) all[i] = parsedDictionary(dictionaries[i]);
        return all;
    }();
    const CPdfElement& dictionary = parsed[data[0] % dictionaryCount];
    try {
        RetainPtr<CPdfStream> byBlocks = decoder(dictionary, data + 1, size - 1);
        RetainPtr<CPdfStream> byBytes = decoder(dictionary, data + 1, size - 1);
        if (!byBlocks) return 0;
        std::vector<uint8_t> block(1 + data[0] % 4096);
        for (size_t total = 0; total < outputCap;) {
            const size_t got = byBlocks->readBlock(block.data(), block.size());
            for (size_t i = 0; i < got; ++i)
                if (byBytes->readByte() != block[i]) std::abort();
            total += got;
            if (got < block.size()) {
                if (byBytes->readByte() != -1) std::abort();
                break;
            }
        }
    } catch (const CPdfException&) {
    }
    return 0;
}
