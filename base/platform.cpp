#include "platform.h"

#include "libraries.h"

namespace {

struct OptionalEntry {
    const char* library;
    const char* name;
    bool alreadyLoadedOnly;  // looked for only when the process has the library already
};

const OptionalEntry OptionalEntries[OptionalFunctionCount] = {
    {"kernel32.dll", "SetDefaultDllDirectories", false},
    {"kernel32.dll", "SetDllDirectoryA", false},
    {"kernel32.dll", "GetUserDefaultUILanguage", false},
    {"kernel32.dll", "SetThreadUILanguage", false},
    {"user32.dll", "MonitorFromWindow", false},
    {"user32.dll", "GetMonitorInfoA", false},
    {"advapi32.dll", "OpenProcessToken", false},
    {"advapi32.dll", "LookupPrivilegeValueA", false},
    {"advapi32.dll", "AdjustTokenPrivileges", false},
    {"shell32.dll", "RestartDialog", false},
    {"shlwapi.dll", "SHAutoComplete", true},
};

// The libraries of the entries, loaded once each and kept for the rest of the process, as
// the delayed imports keep theirs, so that a function found stays valid. Two threads may
// load one at once; both store the same handle.
HMODULE g_Libraries[OptionalFunctionCount];

} // namespace

int IsWindows95Family()
{
    return (GetVersion() & 0x80000000u) != 0;
}

int NtMajorVersion()
{
    const DWORD version = GetVersion();
    return (version & 0x80000000u) ? 0 : static_cast<int>(version & 0xFF);
}

FARPROC FindOptionalFunction(OptionalFunction function)
{
    if (function < 0 || function >= OptionalFunctionCount) return nullptr;
    const OptionalEntry& entry = OptionalEntries[function];
    HMODULE library = nullptr;
    if (entry.alreadyLoadedOnly) {
        library = GetModuleHandleA(entry.library);
    } else {
        if (!g_Libraries[function]) g_Libraries[function] = LoadSystemLibrary(entry.library);
        library = g_Libraries[function];
    }
    return library ? GetProcAddress(library, entry.name) : nullptr;
}
