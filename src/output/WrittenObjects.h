#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The objects of an incremental update as they are written, for its classic table.
// They are written in turn, so their offsets ascend: each record keeps the low 32
// bits of its offset, and the few places where the offsets pass a multiple of 4 GiB
// are kept apart. A record stays at twelve bytes, one per revised page.
class WrittenObjects {
public:
    void add(int32_t number, int32_t generation, uint64_t offset) {
        while ((offset >> 32) > fourGiBPassedAt.size()) fourGiBPassedAt.push_back(records.size());
        records.push_back({number, generation, static_cast<uint32_t>(offset)});
    }

    size_t size() const { return records.size(); }
    bool empty() const { return records.empty(); }
    int32_t number(size_t index) const { return records[index].number; }
    int32_t generation(size_t index) const { return records[index].generation; }
    uint64_t offset(size_t index) const {
        const auto passed = std::upper_bound(fourGiBPassedAt.begin(), fourGiBPassedAt.end(), index);
        return static_cast<uint64_t>(passed - fourGiBPassedAt.begin()) << 32 | records[index].offsetLow;
    }

private:
    struct Record {
        int32_t number;
        int32_t generation;
        uint32_t offsetLow;
    };

    std::vector<Record> records;
    std::vector<size_t> fourGiBPassedAt;  // for each multiple of 4 GiB passed, the first record past it
};
