#pragma once

#include <cstdint>
#include <string>

// The hint after a full rewrite that came out more than one and a half times the
// size of its input (its object streams written out object by object, a table row
// for every number up to the highest): "-compact" keeps what made the input small.
// Empty for any other output.
std::string growthHint(uint64_t inputBytes, uint64_t outputBytes);
