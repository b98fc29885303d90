#pragma once

class CPdfXRef;
struct RawObject;

// For a stream object whose Length does not lead to its "endstream" (a Length that
// is too short, too long or past the end of the file, as hand edits and line-end
// conversions leave it): rewrites the object's text with the Length of the data
// that stands before its first "endstream", without the line end before it.
// An indirect Length is looked up through `xref` and replaced by the number.
// Returns true when the text was changed; a stream whose Length is right, an
// object that is no stream, and one without "endstream" or Length stay as they are.
bool correctStreamLength(RawObject& object, CPdfXRef& xref);
