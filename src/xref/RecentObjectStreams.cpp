#include "xref/RecentObjectStreams.h"

#include <algorithm>

#include "xref/PdfObjectStream.h"

std::shared_ptr<const DecodedObjectStream> RecentObjectStreams::find(int32_t streamNumber) {
    const auto found = std::find_if(newestLast.begin(), newestLast.end(),
                                    [streamNumber](const auto& kept) { return kept->streamNum == streamNumber; });
    if (found == newestLast.end()) return nullptr;
    std::rotate(found, found + 1, newestLast.end());
    return newestLast.back();
}

void RecentObjectStreams::keep(std::shared_ptr<const DecodedObjectStream> decoded) {
    const size_t bytes = decoded->data.size();
    if (bytes > byteBound || streamBound == 0) return;
    while (!newestLast.empty() && (newestLast.size() == streamBound || bytesKept + bytes > byteBound)) {
        bytesKept -= newestLast.front()->data.size();
        newestLast.erase(newestLast.begin());
    }
    bytesKept += bytes;
    newestLast.push_back(std::move(decoded));
}

void RecentObjectStreams::clear() {
    newestLast.clear();
    bytesKept = 0;
}
