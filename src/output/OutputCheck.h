#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/XRefWriter.h"
#include "pages/PageRecord.h"

// What the job knows of a full rewrite once it has written it, from the walk of
// the input's page tree and the table it wrote: enough to tell, before anything
// is replaced, whether the output holds what the input holds.
struct WrittenRewrite {
    const OutputTable& records;                 // the output's table
    int32_t catalogue = -1;                     // the object the trailer names as Root
    const std::vector<int32_t>& pageTreeNodes;  // the nodes the walk went through
    const std::vector<PageRecord>& pages;       // the pages it found
    const std::vector<int32_t>& unknownEnds;    // objects written whose end the lexer did not find
    uint64_t incompleteCopies = 0;              // copies from the input that stopped short
};

// Why the output is not sound, or empty when it is: every object written whole,
// and every page the walk found reachable from the catalogue through the same
// page tree objects, each of them written.
std::string faultInRewrite(const WrittenRewrite& written);

// The last check before anything is replaced found the output unsound: the job
// fails with `fault`, and the output is removed as on every failure.
[[noreturn]] void failOutputCheck(const std::string& fault);
