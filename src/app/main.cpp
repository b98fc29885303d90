#include <string>
#include <vector>

#include "app/Entry.h"
#include "platform/Platform.h"

namespace {

int startFolioturn(int argc, char** argv) {
    platform::installInterruptCleanup();
    platform::useBinaryStandardStreams();
    return runFolioturn(argc, argv);
}

}  // namespace

#ifdef _WIN32
// The arguments as the user typed them, in UTF-16, carried on as UTF-8: the ANSI
// code page of main's arguments turns every name beyond it into question marks.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments = platform::utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return startFolioturn(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return startFolioturn(argc, argv); }
#endif
