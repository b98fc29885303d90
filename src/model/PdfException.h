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

    // A line for standard error that tells the user what may help (an option to
    // try); empty for most failures. Standard output carries the message alone.
    const std::string& hintText() const { return hint; }
    CPdfException& withHint(std::string text) {
        hint = std::move(text);
        return *this;
    }

    // Builds an exception from a printf format. The result holds the whole text,
    // whatever the length of the arguments (file names are not bounded).
    [[gnu::format(printf, 1, 2)]] static CPdfException formatted(const char* format, ...);

private:
    std::string message;
    std::string hint;
};
