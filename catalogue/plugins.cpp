// Finding and checking the libraries that setup scripts name: condition libraries
// (checked before the wizard opens) and plug-in libraries (steps during the run). Both
// lie in the program's folder and export GetVersionNumber, a cdecl function returning
// the interface version they were written for.

#include "plugins.h"

#include "../app/setup.h"
#include "../app/startup.h"

#include <cstring>

int GetProgramFolder(char* folder)
{
    if (!GetProgramPath(folder, MAX_PATH)) return 0;
    CutAtLastBackslash(folder, 1);
    return 1;
}

int IsPluginVersionSupported(HMODULE library)
{
    typedef int(__cdecl * GetVersionNumberFunction)();
    GetVersionNumberFunction getVersion = reinterpret_cast<GetVersionNumberFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetVersionNumber")));
    return getVersion && getVersion() <= PluginInterfaceVersion;
}

int MakeLibraryPath(const char* fileName, char* path)
{
    if (!GetProgramFolder(path)) return 0;
    const size_t folder = std::strlen(path), name = std::strlen(fileName);
    if (folder + name >= MAX_PATH) {
        path[0] = '\0';
        return 0;
    }
    std::memcpy(path + folder, fileName, name + 1);
    return 1;
}
