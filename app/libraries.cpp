#include "libraries.h"

#include <cstring>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, for headers of systems that do not know it.
const DWORD SearchSystemFolderOnly = 0x00000800;

} // namespace

void RestrictLibrarySearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFunction)(const char*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    SetDefaultDllDirectoriesFunction setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(SearchSystemFolderOnly)) return;
    SetDllDirectoryFunction setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory) setDirectory("");
}

HMODULE LoadSystemLibrary(const char* name)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    const size_t nameLength = std::strlen(name);
    if (length == 0 || length >= sizeof path || length + 1 + nameLength >= sizeof path) return nullptr;
    size_t at = length;
    if (path[at - 1] != '\\') path[at++] = '\\';
    std::memcpy(path + at, name, nameLength + 1);
    return LoadLibraryA(path);
}
