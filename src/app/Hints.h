#pragma once
// After a failed job: a line for standard error that names the option that could
// make the job succeed. Standard output keeps the failure's message as it is.
#include <string>

#include "model/PdfException.h"

// The hint for a failure of `kind`, or "" when no option helps or the one that
// would was given already (`repairGiven`: the run has -repair).
std::string hintAfterFailure(FailureKind kind, bool repairGiven);
