#include "pages/PageCount.h"

#include <climits>

#include "limits/Messages.h"
#include "model/PdfException.h"
#include "rawtext/RawObject.h"
#include "stream/PatternSearch.h"

uint32_t countDeclaredPages(const RawObjectReader& reader, int32_t rootNumber) {
    RawObject catalogue;
    if (!reader.read(rootNumber, catalogue)) return 0;
    const uint32_t treeRoot = findNumberInObject(reader.bytes(), catalogue, "/Pages");
    RawObject root;
    if (treeRoot > INT32_MAX || !reader.read(static_cast<int32_t>(treeRoot), root)) return 0;
    const uint32_t count = findNumberInObject(reader.bytes(), root, "/Count");
    if (count > reader.entries().objectsAtMost()) throw CPdfException(FailureKind::Damaged, message::damaged);
    return count;
}
