#include "stream/PdfFilterChain.h"

#include <cstring>
#include <utility>

#include "model/PdfArray.h"
#include "model/PdfDictionary.h"
#include "model/PdfException.h"
#include "stream/PdfFlateStream.h"
#include "stream/PdfPredictor.h"

namespace {

void findEither(const CPdfDictionary& dictionary, const char* key, const char* abbreviation, CPdfElement& out) {
    dictionary.find(key, out);
    if (out.is(ElementType::Null)) {
        out.clear();
        dictionary.find(abbreviation, out);
    }
}

void readIntegerParameter(const CPdfDictionary& parameters, const char* key, int32_t& value) {
    CPdfElement found;
    parameters.find(key, found);
    if (found.is(ElementType::Integer)) value = found.integer();
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

// A chain that opens with the Crypt filter: its decryption is done below the
// filters (by the security handler, which reads the crypt filter's name), so the
// chain is the filter after it, with that filter's parameters.
void dropLeadingCrypt(CPdfElement& filters, CPdfElement& parameters) {
    if (!filters.is(ElementType::Array) || filters.array()->size() < 1) return;
    CPdfElement first;
    filters.array()->at(0, first);
    if (!first.is(ElementType::Name) || !first.hasText("Crypt")) return;
    CPdfElement next, nextParameters;
    if (filters.array()->size() == 2) filters.array()->at(1, next);
    if (filters.array()->size() > 2) next.setError();  // a chain of more filters than one is not read
    if (parameters.is(ElementType::Array) && parameters.array()->size() >= 2) parameters.array()->at(1, nextParameters);
    filters.clear();
    filters.takeFrom(next);
    parameters.clear();
    parameters.takeFrom(nextParameters);
}

}  // namespace

RetainPtr<CPdfStream> makeFilter(const char* name, RetainPtr<CPdfStream> raw, const CPdfElement& parameters) {
    if (std::strcmp(name, "FlateDecode") != 0 && std::strcmp(name, "Fl") != 0)
        throw CPdfException("Stream filter not supported");
    int32_t predictor = 1, columns = 1, colors = 1, bits = 8;
    if (parameters.is(ElementType::Dictionary)) {
        const CPdfDictionary& dictionary = *parameters.dictionary();
        readIntegerParameter(dictionary, "Predictor", predictor);
        readIntegerParameter(dictionary, "Columns", columns);
        readIntegerParameter(dictionary, "Colors", colors);
        readIntegerParameter(dictionary, "BitsPerComponent", bits);
    }
    if (predictor != 1 && !CPdfPredictor::isUsable(predictor, columns, colors, bits)) return nullptr;
    return makeRetained<CPdfFlateStream>(std::move(raw), predictor, columns, colors, bits);
}

RetainPtr<CPdfStream> applyFilters(RetainPtr<CPdfStream> raw, const CPdfElement& dictionary) {
    if (!dictionary.is(ElementType::Dictionary)) return raw;
    const CPdfDictionary& streamDictionary = *dictionary.dictionary();
    CPdfElement filter;
    CPdfElement parameters;
    findEither(streamDictionary, "Filter", "F", filter);
    findEither(streamDictionary, "DecodeParms", "DP", parameters);
    dropLeadingCrypt(filter, parameters);

    switch (filter.type()) {
    case ElementType::Name:
        return makeFilter(filter.text(), std::move(raw), parameters);
    case ElementType::Array: {
        if (filter.array()->size() != 1) return nullptr;
        CPdfElement only;
        filter.array()->at(0, only);
        if (!only.is(ElementType::Name)) return nullptr;
        unwrapSingleParameters(parameters);
        return makeFilter(only.text(), std::move(raw), parameters);
    }
    case ElementType::Null:
        return raw;
    default:
        return nullptr;
    }
}
