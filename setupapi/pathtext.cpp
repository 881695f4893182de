#include "pathtext.h"

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
