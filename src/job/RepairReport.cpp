#include "job/RepairReport.h"

#include <vector>

std::string RepairReport::text() const {
    std::vector<std::string> done;
    if (crossReferenceRebuilt) done.push_back("the cross-reference was rebuilt by scanning the file");
    if (tableJunkPassedOver) done.push_back("junk in the cross-reference table was passed over");
    if (pageCountFromLeaves)
        done.push_back("the page count was taken from the page tree's " + std::to_string(leafPages) +
                       (leafPages == 1 ? " page" : " pages") + ", not from its /Count");
    if (streamLengthsCorrected == 1) done.push_back("the Length of 1 stream was corrected");
    if (streamLengthsCorrected > 1)
        done.push_back("the Length of " + std::to_string(streamLengthsCorrected) + " streams was corrected");
    if (done.empty()) return "";
    std::string line = "File repaired: ";
    for (size_t i = 0; i < done.size(); ++i) line += (i == 0 ? "" : "; ") + done[i];
    return line;
}
