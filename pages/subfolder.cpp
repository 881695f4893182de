// The folder picked with Browse on the target page gets the script's default sub-folder
// below it, and the page takes only a full path. Pure text work, without the shell, so
// that the rules can be tested alone.

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

int IsFullPath(const char* path)
{
    const char letter = static_cast<char>(*path | 0x20);
    if (letter >= 'a' && letter <= 'z' && path[1] == ':' && path[2] == '\\') return 1;
    // A network path names a server and a share on it.
    if (path[0] != '\\' || path[1] != '\\' || path[2] == '\\' || !path[2]) return 0;
    const char* share = std::strchr(path + 2, '\\');
    return share && share[1] && share[1] != '\\';
}
