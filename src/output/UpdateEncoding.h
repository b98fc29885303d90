#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stream/DecodedBytes.h"
#include "xref/SplitOffset.h"

class OutputFile;

// The encodings of the streams that the program writes itself (ISO 32000, 7.5.7
// and 7.5.8): the object streams and the cross-reference stream of an incremental
// update to a file whose cross-reference is kept in streams, and of a compact
// full rewrite.

// Compressed data, written by zlib into room set aside ahead: only the memory it
// fills is touched, and none is zeroed or copied on the way.
class PackedBytes {
public:
    explicit PackedBytes(DecodedBytes&& bytes) : bytes(std::move(bytes)) {}
    std::string_view view() const { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }
    operator std::string_view() const { return view(); }  // NOLINT: read as the bytes they are
    size_t size() const { return bytes.size(); }

private:
    DecodedBytes bytes;
};

// `data` in the zlib format, as a FlateDecode stream holds it.
PackedBytes deflateBytes(std::string_view data);

// The same for data given in pieces, none of them held: the bytes that deflateBytes
// gives for the pieces joined (the compressor's choices do not depend on where its
// input is cut).
class StreamDeflater {
public:
    // zlib's compression level; the fastest one unless asked. Room for the output
    // of `expectedBytes` of input is set aside at once (only what is filled is touched).
    explicit StreamDeflater(int level = fastestLevel, size_t expectedBytes = 0);
    static constexpr int fastestLevel = 1;
    static constexpr int defaultLevel = 6;
    StreamDeflater(const StreamDeflater&) = delete;
    StreamDeflater& operator=(const StreamDeflater&) = delete;
    ~StreamDeflater();

    void add(std::string_view piece);
    // The compressed data; nothing may be added after.
    PackedBytes finish();

private:
    void run(std::string_view piece, int flush);

    struct State;
    std::unique_ptr<State> state;
    std::string pending;  // pieces gathered for zlib, which takes a few large ones faster than many small
    DecodedBytes packed;  // its first `used` bytes are the output so far
    size_t used = 0;
};

struct ObjectStreamMember {
    int32_t number = 0;
    std::string_view body;  // the object's value, without its header and closing keyword
};

// The decoded data of an object stream: the pairs of object number and offset,
// then from `first` on the objects in the order given, each ending with a line feed.
struct EncodedObjectStream {
    std::string data;
    uint32_t first = 0;
    uint32_t count = 0;
};
EncodedObjectStream encodeObjectStream(const std::vector<ObjectStreamMember>& members);

// The dictionary entries of an object stream of `count` objects whose first one starts at `first`.
std::string objectStreamEntries(size_t count, size_t first);

// One entry of a cross-reference stream: type 1 (offset, generation) or
// type 2 (object stream number, index in it).
struct StreamEntry {
    StreamEntry(int32_t objectNumber, uint8_t entryType, uint64_t second, uint32_t third)
        : number(objectNumber), field3(third), type(entryType) {
        const int64_t held = static_cast<int64_t>(std::min<uint64_t>(second, splitoffset::largest));
        field2Low = splitoffset::lowPart(held);
        field2High = splitoffset::highPart(held);
    }
    uint64_t field2() const { return static_cast<uint64_t>(splitoffset::joined(field2Low, field2High)); }

    // The second field's parts, read through field2(); in this order the entry takes
    // sixteen bytes, as many as when every field had 32 bits.
    int32_t number;
    uint32_t field2Low;
    uint32_t field3;
    uint8_t type;
    int16_t field2High;
};

// The shape of a cross-reference stream, learnt from its entries given in
// ascending number: the narrowest field widths that hold them, and the Index
// array's pairs (first number, count) for each run of consecutive numbers.
struct XRefStreamShape {
    int widths[3] = {1, 1, 1};
    std::vector<std::pair<int32_t, int32_t>> index;

    void add(const StreamEntry& entry);
};
// The entry's row, in the widths of `shape`.
void appendXRefRow(std::string& rows, const StreamEntry& entry, const XRefStreamShape& shape);
// The dictionary entries of a cross-reference stream of that shape whose Size is `size`:
// Type, Size, W and Index.
std::string xrefStreamEntries(const XRefStreamShape& shape, int64_t size);

// The rows of a cross-reference stream for `entries`, ordered by object number.
struct EncodedXRefStream : XRefStreamShape {
    std::string rows;
};
EncodedXRefStream encodeXRefStream(std::vector<StreamEntry> entries);

// A stream object of generation 0 with `entries` in its dictionary, then its
// Filter (FlateDecode) and Length, and `data` (already compressed, and encrypted
// where the file is).
void writeStreamObject(OutputFile& output, int32_t number, const std::string& entries, std::string_view data);
