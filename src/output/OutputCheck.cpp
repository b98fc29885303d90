#include "output/OutputCheck.h"

#include "limits/Messages.h"
#include "model/PdfException.h"

namespace {

bool isWritten(const OutputTable& records, int32_t number) { return records.isWritten(number); }

}  // namespace

std::string faultInRewrite(const WrittenRewrite& written) {
    if (written.incompleteCopies != 0) return message::inputEndedBeforeObjectCopied;
    if (!written.unknownEnds.empty()) return message::objectWithoutEnd(written.unknownEnds.front());
    if (!isWritten(written.records, written.catalogue)) return message::catalogueNotWritten(written.catalogue);
    for (const int32_t node : written.pageTreeNodes)
        if (!isWritten(written.records, node)) return message::pageTreeNodeNotWritten(node);
    for (size_t i = 0; i < written.pages.size(); ++i) {
        const int32_t number = written.pages[i].objNum;
        // A page given directly inside Kids goes out with the node that holds it.
        if (number >= 0 && !isWritten(written.records, number)) return message::pageNotWritten(i + 1, number);
    }
    return {};
}

void failOutputCheck(const std::string& fault) {
    throw CPdfException(FailureKind::Output, message::outputCheckFailed(fault.c_str()));
}
