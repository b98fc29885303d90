#pragma once

#include <cstdint>
#include <memory>
#include <set>

#include "xref/StreamEndSearch.h"

// What reading a file as other readers recover damaged ones has found and done:
// whether the cross-reference was rebuilt by a scan or read from tables with junk
// passed over, which objects were read with containers left open taken as closed,
// and where the data of a stream whose Length is wrong ends. A strict read leaves
// it empty. The cross-reference keeps it up to date.
class RecoveryState {
public:
    bool wasRebuilt() const { return rebuilt; }
    bool readTablesLeniently() const { return lenientTables; }
    // For a rebuilt cross-reference: where the first object header of the file is
    // (relative to the "%PDF-" header), found or not still in use.
    uint64_t firstObjectOffset() const { return firstObject; }
    // Whether a fetch of object `number` took a container left open as closed: the
    // object must then be written closed, or readers of the output read it otherwise.
    bool readWithContainersClosed(int32_t number) const { return containersClosedIn.count(number) != 0; }
    const std::set<int32_t>& objectsReadWithContainersClosed() const { return containersClosedIn; }
    // Where a stream whose Length does not lead to "endstream" ends; null for a strict read.
    const StreamEndFinder* streamEndFinder() const { return streamEnds.get(); }

private:
    friend class CPdfXRef;

    bool rebuilt = false;
    bool lenientTables = false;
    uint64_t firstObject = 0;
    std::set<int32_t> containersClosedIn;
    std::unique_ptr<StreamEndSearch> streamEnds;
};
