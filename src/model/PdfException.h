#pragma once

#include <string>

// What a failure is about. The program asks the kind, never the text, for what it
// says beside the message (a hint on standard error) and for the exit status.
enum class FailureKind {
    CommandLine,       // the arguments are missing, malformed or contradict each other
    Selection,         // the page list cannot be read or does not fit the file
    Input,             // an input (the PDF, standard input, a list line, a password file) cannot be opened or read
    Damaged,           // the file's structure cannot be read as it stands; -repair may read it
    PasswordNeeded,    // the file is encrypted and no password was given
    Encrypted,         // the file's encryption stays closed: a wrong password, its permissions, its method
    Unsupported,       // the file needs what the program does not read (a stream filter)
    UpdateRefused,     // -incremental cannot extend this file
    DamagedForUpdate,  // -incremental refuses a damaged cross-reference, which a full rewrite may recover
    Limits,            // beyond what the program reads or holds: the file's size, memory
    Output,            // the output cannot be created, written, or passes not its own check
    Internal,          // a fault of the program or of a library it uses, not of the file
};

// The program's one exception type. Its text is the whole report: the top level
// prints it unchanged, so every raiser builds a complete, ready-to-print message
// (from limits/Messages.h, where every message text is written) and names its kind.
class CPdfException {
public:
    CPdfException(FailureKind kind, const char* text);
    CPdfException(FailureKind kind, std::string text);
    CPdfException(const CPdfException& other) = default;
    virtual ~CPdfException() = default;

    virtual const char* messageText() const { return message.c_str(); }
    FailureKind kind() const { return failureKind; }

private:
    FailureKind failureKind;
    std::string message;
};
