#pragma once

#include <cstdio>
#include <string>

class CPdfDocument;
class CPdfElement;
class CPdfException;

// An update must extend a sound chain of cross-reference sections: these are the
// inputs that cannot take one, and the certification that an update affects.

// For an open that failed in the cross-reference: the refusal, naming the failure.
[[noreturn]] void refuseDamagedCrossReference(const CPdfException& failure);

// Throws the refusal for an open input that cannot take an update: bytes before
// its "%PDF-" header (or none at all), a cross-reference rebuilt rather than read,
// or a table read past junk.
void checkUpdatable(const CPdfDocument& document);

// True when the catalogue holds a /Perms dictionary with /DocMDP: the document is
// certified, and viewers report any later change as made after signing.
bool carriesCertification(const CPdfElement& catalogue);

// What the job says about a certified document.
extern const char* const certificationNotice;
