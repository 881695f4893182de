#include "libraries.h"

#include "pathtext.h"
#include "platform.h"

#include <cstring>

namespace {

// The LOAD_LIBRARY_SEARCH_ flags, for headers of systems that do not know them.
const DWORD SearchLoadedLibraryFolder = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
const DWORD SearchSystemFolderOnly = 0x00000800;     // LOAD_LIBRARY_SEARCH_SYSTEM32
const DWORD SearchDefaultFolders = 0x00001000;       // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS

// The search is limited to the system folder: a library loaded without flags would find
// its imports there only.
bool g_SystemFolderOnly = false;

} // namespace

void RestrictLibrarySearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFunction)(const char*);
    SetDefaultDllDirectoriesFunction setDefault =
        OptionalImport<SetDefaultDllDirectoriesFunction>(OptSetDefaultDllDirectories);
    if (setDefault && setDefault(SearchSystemFolderOnly)) {
        g_SystemFolderOnly = true;
        return;
    }
    SetDllDirectoryFunction setDirectory = OptionalImport<SetDllDirectoryFunction>(OptSetDllDirectoryA);
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

HMODULE LoadScriptLibrary(const char* path)
{
    // Where the search is limited, the library's own folder is added for this load only.
    // Elsewhere the altered search path puts the library's folder first: for setup.exe
    // that is its own folder, which the standard search holds anyway.
    const DWORD flags = g_SystemFolderOnly ? SearchLoadedLibraryFolder | SearchDefaultFolders
                                           : LOAD_WITH_ALTERED_SEARCH_PATH;
    return LoadLibraryExA(path, nullptr, flags);
}

int GetProgramPath(char* path, DWORD size)
{
    if (!path || !size) return 0;
    DWORD length = GetModuleFileNameA(nullptr, path, size);
    if (length == 0) {
        path[0] = '\0';
        return 0;
    }
    // Older systems do not terminate a path that filled the buffer.
    if (length >= size) path[size - 1] = '\0';
    return 1;
}

int GetProgramFolder(char* folder)
{
    if (!GetProgramPath(folder, MAX_PATH)) return 0;
    CutAtLastBackslash(folder, 1);
    return 1;
}
