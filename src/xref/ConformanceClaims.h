#pragma once

class CPdfXRef;

// What a document says of the standards it conforms to, for the parts of the output
// that those standards require (a PDF 2.0 or PDF/A file must carry its ID).
//
// PDF 2.0 or later: the "%PDF-" header's version, or the catalogue's /Version.
bool declaresPdf2(CPdfXRef& xref);
// PDF/A: the catalogue's /Metadata stream holds a pdfaid:part, found within the first
// limits::metadataSearchBytes of its decoded data. A stream whose filters cannot be
// decoded, or that fails to, claims nothing.
bool declaresPdfA(CPdfXRef& xref);
