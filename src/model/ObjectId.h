#pragma once

#include <cstdint>

// An indirect object's identity: its number and its generation, which travel
// together wherever an object is named (references, keys, trailer entries).
struct ObjectId {
    int32_t number = 0;
    int32_t generation = 0;

    friend bool operator==(const ObjectId&, const ObjectId&) = default;
};
