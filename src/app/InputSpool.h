#pragma once
#include <cstdio>
#include <string>

// Standard input ("-i-") copied into a temporary file in the system's temporary
// folder, since the job reads its input out of order. The file goes when this
// object goes, and on an interruption before that. Throws CPdfException ("Input
// file open error: -" and the reason) when standard input cannot be copied.
class InputSpool {
public:
    InputSpool();
    ~InputSpool();
    InputSpool(const InputSpool&) = delete;
    InputSpool& operator=(const InputSpool&) = delete;
    const std::string& path() const { return spoolName; }

private:
    [[noreturn]] void fail(const std::string& reason);
    void copyStandardInput(FILE* spool);
    void remove();

    std::string spoolName;
};
