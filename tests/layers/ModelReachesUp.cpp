// Must not build: the model is the ground of the house, and the cross-reference is
// a room above it. Layers.AnUpwardIncludeDoesNotBuild expects the include to fail.
#include "xref/PdfXRef.h"
#include "model/PdfElement.h"
