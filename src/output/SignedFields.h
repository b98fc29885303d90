#pragma once

class CPdfElement;

// True when the catalogue's interactive form holds a signature field with a
// value: a signed document, whose signatures cover the bytes of the file as it
// stands, so that only an update appended to it keeps them valid. The field
// tree is read within the bounds of limits::signatureFieldsRead; a form that
// cannot be read signs nothing a viewer could check.
bool carriesSignedFields(const CPdfElement& catalogue);

// What the job says after a full rewrite of a signed document.
extern const char* const signedRewriteHint;
