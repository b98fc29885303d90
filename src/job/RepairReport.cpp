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
    if (endsAdded > 0)
        done.push_back("a missing \"endstream\" or \"endobj\" was added to " + std::to_string(endsAdded) +
                       (endsAdded == 1 ? " object" : " objects"));
    if (pagesMoved > 0)
        done.push_back(pagesMoved == 1
                           ? "1 page written inside /Kids became an object of its own"
                           : std::to_string(pagesMoved) + " pages written inside /Kids became objects of their own");
    if (typesCorrected > 0)
        done.push_back("the /Type of " + std::to_string(typesCorrected) +
                       (typesCorrected == 1 ? " page tree object was" : " page tree objects were") + " corrected");
    if (containersClosed > 0)
        done.push_back("arrays or dictionaries left open were closed in " + std::to_string(containersClosed) +
                       (containersClosed == 1 ? " object" : " objects"));
    if (stringsClosed > 0)
        done.push_back("strings left open were closed in " + std::to_string(stringsClosed) +
                       (stringsClosed == 1 ? " object" : " objects"));
    if (done.empty()) return "";
    std::string line = "File repaired: ";
    for (size_t i = 0; i < done.size(); ++i) line += (i == 0 ? "" : "; ") + done[i];
    return line;
}
