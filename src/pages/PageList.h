#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pages/PageRecord.h"

// The page list that a named selection stands for, given the declared page count:
// "1-N" for all, "1,3,5..." for odd, and so on.
std::string buildPageText(PageSelection kind, uint32_t pageCount);

// Validates a page list such as "1,3,5-7" against the page count and marks the
// listed pages of `pages` with `rotation`. Throws the selection's messages.
void markPageList(const char* text, uint32_t pageCount, int32_t rotation, std::vector<PageRecord>& pages);
