#pragma once

#include <string>

// The program's one exception type. Its text is the whole report: the top level
// prints it unchanged, so every raiser builds a complete, ready-to-print message.
class CPdfException {
public:
    explicit CPdfException(const char* text);
    explicit CPdfException(std::string text);
    CPdfException(const CPdfException& other) = default;
    virtual ~CPdfException() = default;

    virtual const char* messageText() const { return message.c_str(); }

    // Builds an exception from a printf format. The result holds the whole text,
    // whatever the length of the arguments (file names are not bounded).
    [[gnu::format(printf, 1, 2)]] static CPdfException formatted(const char* format, ...);

private:
    std::string message;
};
