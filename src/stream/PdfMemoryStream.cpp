#include "stream/PdfMemoryStream.h"

#include <algorithm>

void CPdfMemoryStream::seek(int64_t offset, int whence) {
    const int64_t target = whence == 2 ? int64_t{length} + offset : offset;
    position = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, length));
}
