#include "model/PdfException.h"

CPdfException::CPdfException(FailureKind kind, const char* text) : failureKind(kind), message(text ? text : "") {}

// Texts are stored only up to their first NUL byte, like every text of the program.
CPdfException::CPdfException(FailureKind kind, std::string text) : failureKind(kind), message(text.c_str()) {}
