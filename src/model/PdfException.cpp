#include "model/PdfException.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

CPdfException::CPdfException(const char* text) : message(text ? text : "") {}

// Texts are stored only up to their first NUL byte, like every text of the program.
CPdfException::CPdfException(std::string text) : message(text.c_str()) {}

CPdfException CPdfException::formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return CPdfException(std::move(text));
}
