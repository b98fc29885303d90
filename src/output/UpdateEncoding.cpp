#include "output/UpdateEncoding.h"

#include <zlib.h>

#include <algorithm>

#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"
#include "parse/Keywords.h"
#include "stream/Adler32.h"

// The fastest level: an update's streams hold page dictionaries and cross-reference
// rows, which compress about as well at it (a tenth of their size) in a quarter
// of the default level's time.
PackedBytes deflateBytes(std::string_view data) {
    StreamDeflater deflater(StreamDeflater::fastestLevel, data.size());
    deflater.add(data);
    return deflater.finish();
}

struct StreamDeflater::State {
    z_stream zlib{};
    uint32_t sum = adler::start;
};

static_assert(StreamDeflater::fastestLevel == Z_BEST_SPEED);
static_assert(StreamDeflater::defaultLevel == 6);  // what Z_DEFAULT_COMPRESSION means

namespace {

// zlib's own frame (RFC 1950) around the raw deflate data, as deflateInit writes it:
// its header names a 32 KiB window and the level's class, and its sum closes it. The
// sum is Folioturn's own, which takes a fraction of zlib's instructions.
constexpr int windowBits = 15;
constexpr int memoryLevel = 8;  // zlib's default

void appendFrameHeader(DecodedBytes& packed, int level) {
    const unsigned levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = ((0x08u | ((windowBits - 8) << 4)) << 8) | (levelClass << 6);
    header += 31 - header % 31;
    packed.push_back(static_cast<uint8_t>(header >> 8));
    packed.push_back(static_cast<uint8_t>(header & 0xFF));
}

void appendSum(DecodedBytes& packed, size_t& used, uint32_t sum) {
    packed.resize(used);
    for (int shift = 24; shift >= 0; shift -= 8) packed.push_back(static_cast<uint8_t>((sum >> shift) & 0xFF));
    used = packed.size();
}

}  // namespace

StreamDeflater::StreamDeflater(int level, size_t expectedBytes) : state(std::make_unique<State>()) {
    if (deflateInit2(&state->zlib, level, Z_DEFLATED, -windowBits, memoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        throw CPdfException(FailureKind::Limits, message::outOfMemoryCompressing);
    const size_t frameBytes = 6;  // the header and the sum
    if (expectedBytes > 0)
        packed.reserve(std::min<size_t>(
                           deflateBound(&state->zlib, static_cast<uLong>(std::min<size_t>(expectedBytes, UINT32_MAX))),
                           limits::deflaterReserveBytes) +
                       frameBytes);
    appendFrameHeader(packed, level);
    used = packed.size();
}

StreamDeflater::~StreamDeflater() { deflateEnd(&state->zlib); }

// A page's body is a hundred bytes or so: zlib's work per call would outweigh it.
// Gathering pieces changes nothing in the output, which depends on the bytes alone.
void StreamDeflater::add(std::string_view piece) {
    if (pending.size() + piece.size() > limits::deflaterGatherBytes) {
        run(pending, Z_NO_FLUSH);
        pending.clear();
    }
    if (piece.size() >= limits::deflaterGatherBytes) run(piece, Z_NO_FLUSH);
    else pending.append(piece);
}

PackedBytes StreamDeflater::finish() {
    run(pending, Z_FINISH);
    std::string().swap(pending);
    appendSum(packed, used, state->sum);
    return PackedBytes(std::move(packed));
}

// The output grows by doubling, and only when zlib has filled the room set aside.
// zlib takes at most 4 GiB a call; the pieces here are far smaller.
void StreamDeflater::run(std::string_view piece, int flush) {
    z_stream& zlib = state->zlib;
    state->sum = adler::update(state->sum, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
    zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    zlib.avail_in = static_cast<uInt>(piece.size());
    for (;;) {
        if (used == packed.size()) packed.resize(std::max<size_t>({packed.size() * 2, packed.capacity(), 64 * 1024}));
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

std::string objectStreamEntries(size_t count, size_t first) {
    return " /Type /ObjStm /N " + std::to_string(count) + " /First " + std::to_string(first);
}

namespace {

// Offsets past 4 GiB take more than four bytes.
int bytesFor(uint64_t value) {
    int width = 1;
    while (width < 8 && (value >> (8 * width)) != 0) ++width;
    return width;
}

void appendField(std::string& rows, uint64_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) rows += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

void XRefStreamShape::add(const StreamEntry& entry) {
    widths[1] = std::max(widths[1], bytesFor(entry.field2()));
    widths[2] = std::max(widths[2], bytesFor(entry.field3));
    if (!index.empty() && index.back().first + index.back().second == entry.number) ++index.back().second;
    else index.emplace_back(entry.number, 1);
}

void appendXRefRow(std::string& rows, const StreamEntry& entry, const XRefStreamShape& shape) {
    appendField(rows, entry.type, shape.widths[0]);
    appendField(rows, entry.field2(), shape.widths[1]);
    appendField(rows, entry.field3, shape.widths[2]);
}

std::string xrefStreamEntries(const XRefStreamShape& shape, int64_t size) {
    std::string entries = " /Type /XRef /Size " + std::to_string(size) + " /W [";
    entries += std::to_string(shape.widths[0]) + " " + std::to_string(shape.widths[1]) + " " +
               std::to_string(shape.widths[2]) + "] /Index [";
    for (const auto& [first, count] : shape.index) entries += std::to_string(first) + " " + std::to_string(count) + " ";
    entries.back() = ']';
    return entries;
}

EncodedXRefStream encodeXRefStream(std::vector<StreamEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const StreamEntry& a, const StreamEntry& b) { return a.number < b.number; });
    EncodedXRefStream encoded;
    for (const StreamEntry& entry : entries) encoded.add(entry);
    encoded.rows.reserve(entries.size() * static_cast<size_t>(1 + encoded.widths[1] + encoded.widths[2]));
    for (const StreamEntry& entry : entries) appendXRefRow(encoded.rows, entry, encoded);
    return encoded;
}

void writeStreamObject(OutputFile& output, int32_t number, const std::string& entries, std::string_view data) {
    output.writeFramed("", number, " 0 obj\n<<");
    output.write(entries);
    output.writeFramed(" /Filter /FlateDecode /Length ", static_cast<int64_t>(data.size()), " >>\nstream\n");
    output.write(data);
    output.write(keywords::writtenStreamAndObjectEnd);
}
