// The pages with an auto angle: each is given the rotation under which its text
// reads upright, and keeps its own where it already reads so or cannot be judged.
#include <string>

#include "job/RotationSteps.h"
#include "pages/PageText.h"
#include "pages/ShownRotation.h"
#include "pages/TextDirection.h"
#include "xref/PdfXRef.h"

namespace {

struct UprightTally {
    uint32_t turned = 0, upright = 0, unjudged = 0;

    std::string line() const {
        return "Pages turned upright: " + std::to_string(turned) + ", already upright: " + std::to_string(upright) +
               ", without text to judge: " + std::to_string(unjudged);
    }
};

}  // namespace

// A page that keeps its rotation is no longer selected: nothing of it is written
// anew, in a full rewrite or in an update.
void RotationSteps::turnPagesUpright() {
    bool asked = false;
    for (const PageRecord& page : pages) asked = asked || (page.selected && page.upright);
    if (!asked) return;
    ShownRotation shown(*xref, &nodeRotations);
    PageTextReader reader(*xref, inputSize);
    UprightTally tally;
    for (PageRecord& page : pages) {
        if (!page.selected || !page.upright) continue;
        const std::optional<int> turn = reader.read(page).prevailingTurn();
        const std::optional<int32_t> rotation = uprightRotation(turn, shown.ofPage(page));
        if (!turn) ++tally.unjudged;
        else if (!rotation) ++tally.upright;
        else ++tally.turned;
        page.selected = rotation ? 1 : 0;
        if (rotation) page.rotation = *rotation;
    }
    notices.push_back(tally.line());
}
