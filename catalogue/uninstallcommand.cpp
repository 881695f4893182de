#include "uninstallcommand.h"

#include <cstdio>
#include <cstring>

namespace {

// Appends `c` when it fits `size` bytes with a zero behind it; counts it either way.
void Put(char* command, unsigned size, unsigned* length, char c)
{
    if (*length + 1 < size) command[*length] = c;
    ++*length;
}

// The "/remove:" token for `key`. A key with a blank or a double quote is written in
// double quotes, as the command line is read the Windows way (its quotes escaped with a
// backslash, and backslashes doubled where a quote follows them), so that the whole key
// comes back as one token.
void PutRemoveToken(char* command, unsigned size, unsigned* length, const char* key)
{
    const bool quote = std::strpbrk(key, " \"") != nullptr;
    if (quote) Put(command, size, length, '"');
    for (const char* p = "/remove:"; *p; ++p) Put(command, size, length, *p);
    for (const char* p = key; *p; ++p) {
        if (quote && *p == '\\') {
            size_t count = 0;
            while (p[count] == '\\') ++count;
            const bool beforeQuote = p[count] == '"' || p[count] == '\0';
            for (size_t i = 0; i < (beforeQuote ? 2 * count : count); ++i) Put(command, size, length, '\\');
            p += count - 1;
            continue;
        }
        if (quote && *p == '"') Put(command, size, length, '\\');
        Put(command, size, length, *p);
    }
    if (quote) Put(command, size, length, '"');
}

} // namespace

int BuildUninstallCommand(const char* setupPath, const char* key, char* command, unsigned size)
{
    // An unquoted path with blanks would let Windows start C:\Program.exe instead.
    const char* quote = std::strchr(setupPath, ' ') ? "\"" : "";
    const int written = std::snprintf(command, size, "%s%s%s ", quote, setupPath, quote);
    unsigned length = written < 0 ? size : static_cast<unsigned>(written);
    PutRemoveToken(command, size, &length, key);
    if (length >= size) {
        if (size) command[0] = '\0';
        return 0;
    }
    command[length] = '\0';
    return 1;
}
