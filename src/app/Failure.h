#pragma once
// How a failed job is reported: its message on standard output, as the program
// has always printed it, and a hint on standard error when an option could help.
#include "app/RunStatus.h"

// Call only while an exception is handled. With `closeLine` a message that has no
// line end of its own gets one before the hint (a list run that goes on).
// `repairGiven`: the run has -repair, which a hint then does not name.
// Returns the status that the failure gives the run.
RunStatus printCurrentFailure(bool repairGiven, bool closeLine = false);
