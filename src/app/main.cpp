#include "app/Entry.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    platform::installInterruptCleanup();
    platform::useBinaryStandardOutput();
    return runFolioturn(argc, argv);
}
