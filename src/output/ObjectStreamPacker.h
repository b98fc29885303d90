#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class OutputFile;
class OutputTable;
class StandardSecurity;

// With "-compact": takes the objects that the input holds in object streams, each
// with its text as its stream holds it, and writes them into new object streams
// as they come, a few hundred at a time (see limits::packedObjectsPerStream),
// Flate-compressed and, in an encrypted file, encrypted whole as its streams are.
// Each object's record says where it went; the streams are numbered past every
// other object of the output.
class ObjectStreamPacker {
public:
    // `security`: the input's security handler, or null for a file that is not encrypted.
    ObjectStreamPacker(OutputFile& output, OutputTable& records, const StandardSecurity* security);

    // The first number a stream takes: past every number the output holds otherwise.
    void numberStreamsFrom(int64_t firstNumber) { nextNumber = firstNumber; }
    // The input's object streams take `streamBytes` of its `inputBytes`: the
    // compression is chosen so that the new ones cost little time and no size.
    void compressLike(uint64_t streamBytes, uint64_t inputBytes);
    // Object `number` (of generation 0), `value` its text between header and closing keyword.
    void add(int32_t number, std::string_view value);
    // Writes what is left, and gives each stream its record; nothing may be added after.
    void finish();
    size_t streamsWritten() const { return streams.size(); }

private:
    void writeStream();

    OutputFile& output;
    OutputTable& records;
    const StandardSecurity* security;
    int64_t nextNumber = 0;
    int level = 0;
    std::string values;                                 // the texts gathered, one after the other
    std::vector<std::pair<int32_t, size_t>> members;    // each one's number and where its text starts
    std::vector<std::pair<int32_t, uint64_t>> streams;  // each stream's number and offset
};
