#include "app/Entry.h"

int main(int argc, char** argv) { return runFolioturn(argc, argv); }
