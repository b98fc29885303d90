// Holds the plain reader of an object stream's header (its runs of digits taken
// without the lexer, the rest read token by token) to the parser's reading of the
// same header: where the plain reader gives the pairs, the parser gives the same
// pairs, and does not fail.
//
// The input: a byte of the header's count of pairs (the stream's N), then the
// header's text (the decoded data up to First).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Differential.h"
#include "FuzzWorkspace.h"
#include "model/PdfException.h"
#include "parse/PdfParser.h"
#include "stream/PdfMemoryStream.h"
#include "xref/ObjectStreamHeader.h"

namespace {

using namespace fuzzing;

std::string pairsOf(const std::vector<int32_t>& numbers, const std::vector<int32_t>& offsets) {
    std::string out;
    for (size_t i = 0; i < numbers.size() && i < offsets.size(); ++i)
        out += std::to_string(numbers[i]) + ":" + std::to_string(offsets[i]) + " ";
    return out + "(" + std::to_string(numbers.size()) + " numbers, " + std::to_string(offsets.size()) + " offsets)";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int32_t count = data[0];
    const uint8_t* text = data + 1;
    const auto length = static_cast<uint32_t>(size - 1);
    std::vector<int32_t> numbers, offsets;
    if (!readPlainObjectStreamHeader(text, length, count, numbers, offsets)) return 0;
    const std::string plain = pairsOf(numbers, offsets);
    numbers.clear();
    offsets.clear();
    std::string parsed;
    try {
        // The program's parser is given the cross-reference, which only containers
        // keep (to resolve their references later): a header's pairs are integers.
        if (readObjectStreamHeaderPairs(CPdfParser(nullptr, makeRetained<CPdfMemoryStream>(text, length)), count,
                                        numbers, offsets))
            parsed = pairsOf(numbers, offsets);
        else parsed = "not pairs of integers";
    } catch (const CPdfException& failure) {
        parsed = std::string("failed: ") + failure.messageText();
    }
    requireSame(plain, parsed, "the plain reader of an object stream's header reads otherwise than the parser");
    return 0;
}
