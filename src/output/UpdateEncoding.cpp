#include "output/UpdateEncoding.h"

#include <zlib.h>

#include <algorithm>

#include "limits/Messages.h"
#include "model/PdfException.h"

// The fastest level: an update's streams hold page dictionaries and cross-reference
// rows, which compress about as well at it (a tenth of their size) in a quarter
// of the default level's time.
std::string deflateBytes(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), Z_BEST_SPEED) != Z_OK)
        throw CPdfException(FailureKind::Limits, message::outOfMemoryCompressing);
    packed.resize(size);
    return packed;
}

struct StreamDeflater::State {
    z_stream zlib{};
};

StreamDeflater::StreamDeflater() : state(std::make_unique<State>()) {
    if (deflateInit(&state->zlib, Z_BEST_SPEED) != Z_OK)
        throw CPdfException(FailureKind::Limits, message::outOfMemoryCompressing);
}

StreamDeflater::~StreamDeflater() { deflateEnd(&state->zlib); }

void StreamDeflater::add(std::string_view piece) { run(piece, Z_NO_FLUSH); }

std::string StreamDeflater::finish() {
    run({}, Z_FINISH);
    packed.resize(used);
    return std::move(packed);
}

// The output grows by doubling, and only when zlib has filled it: most pieces are
// a page's few bytes. zlib takes at most 4 GiB a call; the pieces here are far smaller.
void StreamDeflater::run(std::string_view piece, int flush) {
    z_stream& zlib = state->zlib;
    zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    zlib.avail_in = static_cast<uInt>(piece.size());
    for (;;) {
        if (used == packed.size()) packed.resize(std::max<size_t>(packed.size() * 2, 64 * 1024));
        zlib.next_out = reinterpret_cast<Bytef*>(packed.data() + used);
        zlib.avail_out = static_cast<uInt>(packed.size() - used);
        const int result = deflate(&zlib, flush);
        used = packed.size() - zlib.avail_out;
        if (result == Z_STREAM_ERROR) throw CPdfException(FailureKind::Limits, message::outOfMemoryCompressing);
        if (flush == Z_FINISH ? result == Z_STREAM_END : zlib.avail_in == 0 && zlib.avail_out != 0) return;
    }
}

EncodedObjectStream encodeObjectStream(const std::vector<ObjectStreamMember>& members) {
    std::string header, bodies;
    for (const ObjectStreamMember& member : members) {
        if (!header.empty()) header += ' ';
        header += std::to_string(member.number);
        header += ' ';
        header += std::to_string(bodies.size());
        bodies.append(member.body);
        bodies += '\n';  // ends a comment that closes the object's text, and parts it from the next
    }
    header += '\n';
    EncodedObjectStream encoded;
    encoded.first = static_cast<uint32_t>(header.size());
    encoded.count = static_cast<uint32_t>(members.size());
    encoded.data = std::move(header);
    encoded.data += bodies;
    return encoded;
}

namespace {

int bytesFor(uint32_t value) {
    int width = 1;
    while (width < 4 && (value >> (8 * width)) != 0) ++width;
    return width;
}

void appendField(std::string& rows, uint32_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) rows += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

EncodedXRefStream encodeXRefStream(std::vector<StreamEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const StreamEntry& a, const StreamEntry& b) { return a.number < b.number; });
    EncodedXRefStream encoded;
    for (const StreamEntry& entry : entries) {
        encoded.widths[1] = std::max(encoded.widths[1], bytesFor(entry.field2));
        encoded.widths[2] = std::max(encoded.widths[2], bytesFor(entry.field3));
    }
    encoded.rows.reserve(entries.size() * static_cast<size_t>(1 + encoded.widths[1] + encoded.widths[2]));
    for (const StreamEntry& entry : entries) {
        if (!encoded.index.empty() && encoded.index.back().first + encoded.index.back().second == entry.number)
            ++encoded.index.back().second;
        else encoded.index.emplace_back(entry.number, 1);
        appendField(encoded.rows, entry.type, 1);
        appendField(encoded.rows, entry.field2, encoded.widths[1]);
        appendField(encoded.rows, entry.field3, encoded.widths[2]);
    }
    return encoded;
}
