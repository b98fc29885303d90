#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class DecodedObjectStream;

// The object streams decoded last, kept decoded for a while: a page tree walk goes
// back and forth between a node's object stream and the streams of its kids, and
// decoding the node's stream again for every node would cost the nodes times the
// stream's size (a stream of a thousand nodes is megabytes). A few streams are
// kept, and only as many as fit within a bound on their bytes together.
class RecentObjectStreams {
public:
    RecentObjectStreams(size_t streams, size_t bytes) : streamBound(streams), byteBound(bytes) {}

    // The stream of that number if it is kept (it becomes the newest), else null.
    std::shared_ptr<const DecodedObjectStream> find(int32_t streamNumber);
    // Keeps a stream just decoded, letting the oldest go until the bounds hold; one
    // larger than the byte bound is not kept.
    void keep(std::shared_ptr<const DecodedObjectStream> decoded);
    void clear();

private:
    size_t streamBound;
    size_t byteBound;
    size_t bytesKept = 0;
    std::vector<std::shared_ptr<const DecodedObjectStream>> newestLast;
};
