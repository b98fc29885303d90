#pragma once

#include <cstddef>
#include <cstdint>

#include "xref/XRefEntry.h"

// A cross-reference table's rows as the PDF format lays them out (ISO 32000,
// 7.5.4): ten digits of offset, a space, five digits of generation, a space, "n"
// or "f", and an end of line. Such rows are read from their bytes directly; what
// they give is what the parser's tokens give for them. White space wherever a
// space or an end of line stands gives the same tokens, so any is taken there, as
// are ends of line of one byte, which many writers use.
namespace tablerows {

// The longest text a row takes, with the usual end of line of two bytes.
constexpr size_t rowBytes = 20;
// What follows a row's generation, at least: white space, "n" or "f", white space.
constexpr size_t tailBytes = 3;

// The length of the row at the start of `text` (`length` bytes), its white space
// after it included as far as `text` goes; 0 when no row laid out so starts there.
size_t readRow(const uint8_t* text, size_t length, XRefEntry& entry);
// The same for the rest of a row after its generation; `inUse` says whether it is "n".
size_t readTail(const uint8_t* text, size_t length, bool& inUse);

}  // namespace tablerows
