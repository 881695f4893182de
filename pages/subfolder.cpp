// The folder picked with Browse on the target page gets the script's default sub-folder
// below it. Pure text work, without the shell, so that the rule can be tested alone.

#include "subfolder.h"

#include <cstring>

int AppendDefaultSubfolder(char* path, size_t capacity, const char* subfolder)
{
    if (!subfolder) return 1;
    if (*subfolder == '\\') ++subfolder;
    if (!*subfolder) return 1;
    const char* last = std::strrchr(path, '\\');
    if (last && std::strcmp(last + 1, subfolder) == 0) return 1;

    const size_t length = std::strlen(path);
    const bool separator = length == 0 || path[length - 1] != '\\';
    const size_t extra = (separator ? 1 : 0) + std::strlen(subfolder);
    if (length + extra >= capacity) return 0;
    if (separator) path[length] = '\\';
    std::memcpy(path + length + (separator ? 1 : 0), subfolder, std::strlen(subfolder) + 1);
    return 1;
}
