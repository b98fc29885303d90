#pragma once

#include <cstdint>

class RawObjectReader;

// The page count that the root of the page tree declares in its raw text: the
// catalogue's "/Pages" number, then that object's "/Count". 0 when either object
// has no text. A count above the number of objects cannot be right (every page is
// an object): "PDF file was damaged".
uint32_t countDeclaredPages(const RawObjectReader& reader, int32_t rootNumber);
