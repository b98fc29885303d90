// "-info": the selection step as a rotation takes it, then what the file and each
// selected page show, told to the reporter in place of an output. Nothing is
// written and nothing changed.
#include "job/RotationSteps.h"
#include "pages/PageView.h"
#include "xref/DocumentTraits.h"
#include "xref/NumberMap.h"
#include "xref/PdfXRef.h"

void RotationSteps::describeDocument() {
    selectPages();
    DocumentDescription description = describeFile();
    describeSelectedPages(description);
    repair.noteObjectsReadClosed(*xref);
    const std::string repaired = repair.reportLine();
    description.repaired = !repaired.empty();
    refuseChangedInput();
    releaseAll();
    reporter.documentDescribed(description);
    if (!repaired.empty()) notices.insert(notices.begin(), repaired);
    for (const std::string& text : notices) reporter.notice(text);
}

DocumentDescription RotationSteps::describeFile() {
    DocumentDescription description;
    description.file = jobOptions.inputName;
    description.pageCount = static_cast<uint32_t>(pages.size());
    description.version = declaredVersion(*xref);
    description.encrypted = xref->encryption().security() != nullptr;
    description.signedFields = signedFields;
    description.certified = certified;
    description.objectStreams = usesObjectStreams(*xref);
    description.linearized = isLinearized(*xref, inputSize);
    return description;
}

// A page object that the tree lists more than once shows the same at each listing:
// it is looked at once.
void RotationSteps::describeSelectedPages(DocumentDescription& description) {
    size_t selected = 0;
    for (const PageRecord& page : pages) selected += page.selected;
    description.pages.reserve(selected);
    PageViewer viewer(*xref, &nodeRotations, inputSize);
    NumberMap<uint32_t> firstListing;  // by page object: its first description's place, plus one
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!pages[i].selected) continue;
        uint32_t* earlier = pages[i].objNum >= 0 ? &firstListing.at(pages[i].objNum) : nullptr;
        const bool seen = earlier && *earlier != 0;
        const PageView view = seen ? description.pages[*earlier - 1].view : viewer.view(pages[i]);
        if (earlier && !seen) *earlier = static_cast<uint32_t>(description.pages.size() + 1);
        description.pages.push_back({static_cast<uint32_t>(i + 1), view});
    }
}
