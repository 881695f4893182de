#include "pathtext.h"

#include <cstring>

void CollapseDoubledBackslashes(char* path)
{
    if (!path || !*path) return;
    char* write = path + 1;  // a leading "\\" stays
    for (const char* read = path + 1; *read; ++read) {
        if (*read == '\\' && write[-1] == '\\' && write - 1 != path) continue;
        *write++ = *read;
    }
    *write = '\0';
}

void CutAtLastBackslash(char* path, int keepBackslash)
{
    char* last = std::strrchr(path, '\\');
    if (!last) return;
    // "M:" alone is the current folder of drive M, which need not be its root.
    const bool driveRoot = last == path + 2 && path[1] == ':';
    last[keepBackslash || driveRoot ? 1 : 0] = '\0';
}
