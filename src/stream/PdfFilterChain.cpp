#include "stream/PdfFilterChain.h"

#include <cstring>
#include <utility>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "stream/PdfFlateStream.h"
#include "stream/PdfLzwStream.h"
#include "stream/PdfPredictor.h"
#include "stream/PdfRunLengthStream.h"
#include "stream/PdfTextDecoders.h"

namespace {

enum class Filter { Flate, Lzw, Ascii85, AsciiHex, RunLength, Unknown };

Filter filterNamed(const char* name) {
    struct Named {
        const char* full;
        const char* abbreviation;
        Filter filter;
    };
    static const Named names[] = {{"FlateDecode", "Fl", Filter::Flate},
                                  {"LZWDecode", "LZW", Filter::Lzw},
                                  {"ASCII85Decode", "A85", Filter::Ascii85},
                                  {"ASCIIHexDecode", "AHx", Filter::AsciiHex},
                                  {"RunLengthDecode", "RL", Filter::RunLength}};
    for (const Named& named : names)
        if (std::strcmp(name, named.full) == 0 || std::strcmp(name, named.abbreviation) == 0) return named.filter;
    return Filter::Unknown;
}

void findEither(const CPdfDictionary& dictionary, const char* key, const char* abbreviation, CPdfElement& out) {
    dictionary.find(key, out);
    if (out.is(ElementType::Null)) {
        out.clear();
        dictionary.find(abbreviation, out);
    }
}

void readIntegerParameter(const CPdfElement& parameters, const char* key, int32_t& value) {
    if (!parameters.is(ElementType::Dictionary)) return;
    CPdfElement found;
    parameters.dictionary()->find(key, found);
    if (found.is(ElementType::Integer)) value = found.integer();
}

// The predictor that Flate and LZW data may be followed by.
struct PredictorParameters {
    int32_t predictor = 1, columns = 1, colors = 1, bits = 8;

    explicit PredictorParameters(const CPdfElement& parameters) {
        readIntegerParameter(parameters, "Predictor", predictor);
        readIntegerParameter(parameters, "Columns", columns);
        readIntegerParameter(parameters, "Colors", colors);
        readIntegerParameter(parameters, "BitsPerComponent", bits);
    }
    bool usable() const { return predictor == 1 || CPdfPredictor::isUsable(predictor, columns, colors, bits); }
};

RetainPtr<CPdfStream> makeLzwFilter(RetainPtr<CPdfStream> raw, const CPdfElement& parameters) {
    const PredictorParameters p(parameters);
    if (!p.usable()) return nullptr;
    int32_t earlyChange = 1;
    readIntegerParameter(parameters, "EarlyChange", earlyChange);
    return makeRetained<CPdfLzwStream>(std::move(raw), earlyChange != 0, p.predictor, p.columns, p.colors, p.bits);
}

// A one-element parameter array beside a one-element filter array holds that
// filter's parameters.
void unwrapSingleParameters(CPdfElement& parameters) {
    if (!parameters.is(ElementType::Array) || parameters.array()->size() != 1) return;
    CPdfElement only;
    parameters.array()->at(0, only);
    parameters.clear();
    parameters.copyFrom(only);
}

// The parameters of filter `index` of a chain: the element of a parameter array
// (null where the array is short), or a lone dictionary, which the PDF format
// pairs with a single filter but producers also write beside a chain.
void chainParameters(const CPdfElement& parameters, int32_t index, CPdfElement& out) {
    out.clear();
    if (parameters.is(ElementType::Array)) {
        if (index < parameters.array()->size()) parameters.array()->at(index, out);
    } else if (parameters.is(ElementType::Dictionary)) {
        out.copyFrom(parameters);
    }
}

// A chain may open with the Crypt filter: its decryption is done below the
// filters (by the security handler, which reads the crypt filter's name), so
// decoding starts at the filter after it.
int32_t firstDecodedFilter(const CPdfArray& filters) {
    if (filters.size() < 1) return 0;
    CPdfElement first;
    filters.at(0, first);
    return first.is(ElementType::Name) && first.hasText("Crypt") ? 1 : 0;
}

// The filters from `first` on, each decoding the output of the one before.
// Anything in them that cannot be decoded makes the whole chain null.
RetainPtr<CPdfStream> applyChain(RetainPtr<CPdfStream> raw, const CPdfArray& filters, int32_t first,
                                 const CPdfElement& parameters) {
    const int32_t count = filters.size();
    CPdfElement names[limits::maximumChainedFilters];
    for (int32_t i = first; i < count; ++i) {
        filters.at(i, names[i]);
        if (!names[i].is(ElementType::Name) || !isDecodedFilter(names[i].text())) return nullptr;
    }
    RetainPtr<CPdfStream> stream = std::move(raw);
    for (int32_t i = first; i < count && stream; ++i) {
        CPdfElement own;
        chainParameters(parameters, i, own);
        stream = makeFilter(names[i].text(), std::move(stream), own);
    }
    return stream;
}

}  // namespace

bool isDecodedFilter(const char* name) { return filterNamed(name) != Filter::Unknown; }

RetainPtr<CPdfStream> makeFilter(const char* name, RetainPtr<CPdfStream> raw, const CPdfElement& parameters) {
    switch (filterNamed(name)) {
    case Filter::Flate: {
        const PredictorParameters p(parameters);
        if (!p.usable()) return nullptr;
        return makeRetained<CPdfFlateStream>(std::move(raw), p.predictor, p.columns, p.colors, p.bits);
    }
    case Filter::Lzw:
        return makeLzwFilter(std::move(raw), parameters);
    case Filter::Ascii85:
        return makeRetained<CPdfAscii85Stream>(std::move(raw));
    case Filter::AsciiHex:
        return makeRetained<CPdfAsciiHexStream>(std::move(raw));
    case Filter::RunLength:
        return makeRetained<CPdfRunLengthStream>(std::move(raw));
    case Filter::Unknown:
        break;
    }
    throw CPdfException(FailureKind::Unsupported, message::filterNotSupported);
}

RetainPtr<CPdfStream> applyFilters(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary) {
    if (!dictionary.is(ElementType::Dictionary)) return raw;
    const CPdfDictionary& streamDictionary = *dictionary.dictionary();
    CPdfElement filter;
    CPdfElement parameters;
    findEither(streamDictionary, "Filter", "F", filter);
    findEither(streamDictionary, "DecodeParms", "DP", parameters);

    switch (filter.type()) {
    case ElementType::Name:
        return makeFilter(filter.text(), std::move(raw), parameters);
    case ElementType::Array: {
        const int32_t count = filter.array()->size();
        if (count == 0 || count > limits::maximumChainedFilters) return nullptr;
        const int32_t first = firstDecodedFilter(*filter.array());
        if (count - first == 0) return raw;
        if (count - first > 1) return applyChain(std::move(raw), *filter.array(), first, parameters);
        CPdfElement only;
        filter.array()->at(first, only);
        if (!only.is(ElementType::Name)) return nullptr;
        if (first == 0) {
            unwrapSingleParameters(parameters);
        } else {
            CPdfElement own;
            chainParameters(parameters, first, own);
            if (!parameters.is(ElementType::Array)) own.clear();  // a lone dictionary belongs to the Crypt filter
            parameters.clear();
            parameters.takeFrom(own);
        }
        return makeFilter(only.text(), std::move(raw), parameters);
    }
    case ElementType::Null:
        return raw;
    default:
        return nullptr;
    }
}
