// The Setup API floor: the queue that setup.exe builds for an install section, done by
// the smallest program that can (see barequeue.h). It imports no user32: a program
// without windows.
//
//   bareapi.exe INF-FILE SECTION
//
// Exit code 0 when every call succeeded.

#include "barequeue.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bareapi.exe INF-FILE SECTION\n");
        return 2;
    }
    return InstallSection(argv[1], argv[2], nullptr);
}
