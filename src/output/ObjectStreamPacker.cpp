#include "output/ObjectStreamPacker.h"

#include "crypt/StandardSecurity.h"
#include "limits/Limits.h"
#include "limits/Messages.h"
#include "model/PdfException.h"
#include "output/OutputFile.h"
#include "output/OutputTable.h"
#include "output/UpdateEncoding.h"

namespace {

PackedBytes deflated(const std::string& data, int level) {
    StreamDeflater deflater(level, data.size());
    deflater.add(data);
    return deflater.finish();
}

}  // namespace

ObjectStreamPacker::ObjectStreamPacker(OutputFile& output, OutputTable& records, const StandardSecurity* security)
    : output(output), records(records), security(security), level(StreamDeflater::defaultLevel) {}

// Common writers compress object streams at zlib's default level, and so does the
// packer where they are a large part of the file. Flate's fastest level writes
// them about a sixth larger in half the time: where they take an eighth of the
// file or less, that costs the output at most about 2 % of its size, and saves
// most of what compressing them costs the job.
void ObjectStreamPacker::compressLike(uint64_t streamBytes, uint64_t inputBytes) {
    level = streamBytes <= inputBytes / 8 ? StreamDeflater::fastestLevel : StreamDeflater::defaultLevel;
}

// The record is made now, in the copy's ascending order; which stream and index
// it names is settled when the stream is written.
void ObjectStreamPacker::add(int32_t number, std::string_view value) {
    OutputEntry& record = records.add(number);
    record.written = OutputEntry::inObjectStream;
    record.gen = 0;
    members.emplace_back(number, values.size());
    values.append(value);
    if (members.size() >= limits::packedObjectsPerStream || values.size() >= limits::packedBytesPerStream)
        writeStream();
}

void ObjectStreamPacker::finish() {
    if (!members.empty()) writeStream();
    // After every other object: the streams' numbers are the highest.
    for (const auto& [number, offset] : streams) {
        OutputEntry& record = records.add(number);
        record.setOffset(offset);
        record.gen = 0;
        record.written = 1;
    }
}

void ObjectStreamPacker::writeStream() {
    if (nextNumber >= limits::maximumEntries)
        throw CPdfException(FailureKind::Limits, message::noNumberForObjectStream);
    const int32_t streamNumber = static_cast<int32_t>(nextNumber++);
    std::vector<ObjectStreamMember> texts;
    texts.reserve(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        const size_t end = i + 1 < members.size() ? members[i + 1].second : values.size();
        texts.push_back(
            {members[i].first, std::string_view(values).substr(members[i].second, end - members[i].second)});
    }
    const EncodedObjectStream encoded = encodeObjectStream(texts);
    const PackedBytes packed = deflated(encoded.data, level);
    const std::string encrypted = security ? security->encryptStream(packed, {streamNumber, 0}) : std::string();
    streams.emplace_back(streamNumber, output.position());
    writeStreamObject(output, streamNumber, objectStreamEntries(encoded.count, encoded.first),
                      security ? std::string_view(encrypted) : packed.view());
    for (size_t i = 0; i < members.size(); ++i) {
        OutputEntry& record = records.add(members[i].first);
        record.setOffset(static_cast<uint64_t>(streamNumber));
        record.gen = static_cast<int32_t>(i);
    }
    members.clear();
    values.clear();
}
