#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The encodings of the streams that an incremental update adds to a file whose
// cross-reference is kept in streams: an object stream for the rewritten objects
// and a cross-reference stream for the new section (ISO 32000, 7.5.7 and 7.5.8).

// `data` in the zlib format, as a FlateDecode stream holds it.
std::string deflateBytes(std::string_view data);

// The same for data given in pieces, none of them held: the bytes that deflateBytes
// gives for the pieces joined (the compressor's choices do not depend on where its
// input is cut).
class StreamDeflater {
public:
    StreamDeflater();
    StreamDeflater(const StreamDeflater&) = delete;
    StreamDeflater& operator=(const StreamDeflater&) = delete;
    ~StreamDeflater();

    void add(std::string_view piece);
    // The compressed data; nothing may be added after.
    std::string finish();

private:
    void run(std::string_view piece, int flush);

    struct State;
    std::unique_ptr<State> state;
    std::string packed;  // its first `used` bytes are the output so far
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

// One entry of a cross-reference stream: type 1 (offset, generation) or
// type 2 (object stream number, index in it).
struct StreamEntry {
    int32_t number = 0;
    uint8_t type = 1;
    uint32_t field2 = 0;
    uint32_t field3 = 0;
};

// The rows of a cross-reference stream for `entries`, ordered by object number,
// with the narrowest field widths that hold them, and the Index array's pairs
// (first number, count) for each run of consecutive numbers.
struct EncodedXRefStream {
    int widths[3] = {1, 1, 1};
    std::vector<std::pair<int32_t, int32_t>> index;
    std::string rows;
};
EncodedXRefStream encodeXRefStream(std::vector<StreamEntry> entries);
