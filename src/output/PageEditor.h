#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "rawtext/PageDictionary.h"

class CPdfStream;
class OutputFile;
struct RawObject;
struct StreamLengthEdit;

// The spans of a page's text that an edit replaces, in the text's order. The one
// span of a key added, as nearly every page gets, is held in place: planning the
// edit of a page allocates nothing.
class EditSpans {
public:
    using Span = PageDictionaryLayout::ValueRange;  // bytes [keyEnd, valueEnd) of the text

    EditSpans() = default;
    explicit EditSpans(std::vector<Span>&& spans) : many(std::move(spans)) {}
    static EditSpans single(Span span) {
        EditSpans spans;
        spans.one = span;
        spans.hasOne = true;
        return spans;
    }

    const Span* begin() const { return hasOne ? &one : many.data(); }
    const Span* end() const { return begin() + size(); }
    size_t size() const { return hasOne ? 1 : many.size(); }
    bool empty() const { return size() == 0; }
    const Span& back() const { return *(end() - 1); }

private:
    Span one;
    bool hasOne = false;
    std::vector<Span> many;
};

// How a page object's text changes to carry its new rotation: the value of each
// of the page's own /Rotate keys is replaced (readers show the last one, and none
// may show an old value), or the key is added right after the "<<" that opens the
// page dictionary. The text's bytes outside the replacements stay. Every
// replacement writes the same text, held once: a page may repeat its key a
// million times.
struct PageEdit {
    using Span = EditSpans::Span;

    PageDictionaryLayout layout;  // what the text holds now (its list of values moved to `spans`)
    bool editable = false;        // false: the text holds no dictionary and stays as it is
    int32_t rotation = 0;         // the value written
    std::string replacement;      // what each span gives way to
    EditSpans spans;              // in the text's order, apart from each other

    // How much longer the text becomes (negative: shorter).
    int64_t growth() const;
};

// The edit of a text held in memory, or of one that lies in the input file
// (`window` is the stream over it).
PageEdit planPageEdit(const RawObject& object, int32_t rotation);
// The same for a selected page whose dictionary the page tree walk read, and found
// to hold (or not) its own key Rotate: a text whose dictionary the walk read whole,
// without the key, takes it right after the "<<" the walk found, and is not read
// again. The edit's layout is not filled in further (the dictionary's end and
// header stay unknown).
PageEdit planPageEdit(const RawObject& object, int32_t rotation, bool holdsRotateKey);
PageEdit planPageEdit(CPdfStream& window, int32_t rotation);

// Writes a page object's text with its new rotation (unchanged without a
// dictionary), wherever the text lies.
void writeRotatedPage(OutputFile& output, FILE* input, const RawObject& object, const PageEdit& edit);
// The same text, in memory (for a text held in memory).
std::string rotatedPageText(const RawObject& object, const PageEdit& edit);
// An object's text as it stands, wherever it lies.
void writeObjectText(OutputFile& output, FILE* input, const RawObject& object);
// A stream object that lies in the input, with its Length corrected as `edit` says.
void writeStreamWithLength(OutputFile& output, FILE* input, const RawObject& object, const StreamLengthEdit& edit);
