#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "pages/PageRecord.h"

class CPdfElement;

// Lists the leaf pages of a page tree in document order: depth first, kids in
// array order; each record carries the rotation that the nodes above it hand
// down. A kid that leads back to a node on the current path, or a tree deeper
// than the limit, is damage ("PDF file was damaged").
class PageTreeWalker {
public:
    // `objectCount`: the entries of the cross-reference; `fileSize`: the input's
    // size. Together they bound the walk. `nodeVisited` is called at every node.
    PageTreeWalker(size_t objectCount, uint64_t fileSize, std::function<void()> nodeVisited);

    // `rootNumber`: the root's object number, when it has one (-1 otherwise).
    void walk(const CPdfElement& root, int32_t rootNumber, std::vector<PageRecord>& pages);

private:
    struct Inherited {
        int32_t rotation = 0;
        bool known = true;
    };

    void walkNode(const CPdfElement& node, int depth, Inherited inherited, std::vector<PageRecord>& pages);
    static Inherited handedDown(const CPdfElement& node, Inherited inherited);

    std::vector<uint8_t> onPath;  // page tree nodes on the current path, by object number
    uint64_t visitLimit;
    uint64_t kidsVisited = 0;
    std::function<void()> nodeVisited;
};
