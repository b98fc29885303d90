#include "output/OutputCheck.h"

#include "model/PdfException.h"

namespace {

bool isWritten(const std::vector<OutputEntry>& records, int32_t number) {
    return number >= 0 && static_cast<size_t>(number) < records.size() &&
           records[static_cast<size_t>(number)].written == 1;
}

}  // namespace

std::string faultInRewrite(const WrittenRewrite& written) {
    if (written.incompleteCopies != 0) return "the input ended before an object was copied whole";
    if (!written.unknownEnds.empty())
        return "object " + std::to_string(written.unknownEnds.front()) + " has no end that a reader finds";
    if (!isWritten(written.records, written.catalogue))
        return "the catalogue, object " + std::to_string(written.catalogue) + ", was not written";
    for (const int32_t node : written.pageTreeNodes)
        if (!isWritten(written.records, node)) return "page tree node " + std::to_string(node) + " was not written";
    for (size_t i = 0; i < written.pages.size(); ++i) {
        const int32_t number = written.pages[i].objNum;
        // A page given directly inside Kids goes out with the node that holds it.
        if (number >= 0 && !isWritten(written.records, number))
            return "page " + std::to_string(i + 1) + ", object " + std::to_string(number) + ", was not written";
    }
    return {};
}

void failOutputCheck(const std::string& fault) {
    throw CPdfException::formatted("\nOutput check failed: %s\n", fault.c_str());
}
