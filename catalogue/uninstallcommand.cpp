#include "uninstallcommand.h"

#include <cstdio>
#include <cstring>

int BuildUninstallCommand(const char* setupPath, const char* key, char* command, unsigned size)
{
    // An unquoted path with blanks would let Windows start C:\Program.exe instead.
    const char* quote = std::strchr(setupPath, ' ') ? "\"" : "";
    const int length = std::snprintf(command, size, "%s%s%s /remove:%s", quote, setupPath, quote, key);
    if (length < 0 || static_cast<unsigned>(length) >= size) {
        if (size) command[0] = '\0';
        return 0;
    }
    return 1;
}
