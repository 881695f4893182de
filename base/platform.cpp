#include "platform.h"

#include "libraries.h"

namespace {

enum Library { LibraryKernel, LibraryUser, LibraryAdvapi, LibraryShell, LibraryShlwapi, LibraryTheme, LibraryCount };

const char* const LibraryNames[LibraryCount] = {"kernel32.dll", "user32.dll", "advapi32.dll",
                                                "shell32.dll",  "shlwapi.dll", "uxtheme.dll"};

struct OptionalEntry {
    Library library;
    const char* name;
    bool alreadyLoadedOnly;  // looked for only when the process has the library already
};

const OptionalEntry OptionalEntries[OptionalFunctionCount] = {
    {LibraryKernel, "SetDefaultDllDirectories", false},
    {LibraryKernel, "SetDllDirectoryA", false},
    {LibraryKernel, "GetUserDefaultUILanguage", false},
    {LibraryKernel, "SetThreadUILanguage", false},
    {LibraryUser, "MonitorFromWindow", false},
    {LibraryUser, "GetMonitorInfoA", false},
    {LibraryAdvapi, "OpenProcessToken", false},
    {LibraryAdvapi, "LookupPrivilegeValueA", false},
    {LibraryAdvapi, "AdjustTokenPrivileges", false},
    {LibraryShell, "RestartDialog", false},
    {LibraryShlwapi, "SHAutoComplete", true},
    {LibraryTheme, "SetWindowTheme", true},
};

// The libraries, each taken from the system folder once and kept for the rest of the
// process, as the delayed imports keep theirs, so that a function found stays valid. Two
// threads may load one at once; both store the same handle.
HMODULE g_Libraries[LibraryCount];

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
        library = GetModuleHandleA(LibraryNames[entry.library]);
    } else {
        if (!g_Libraries[entry.library]) g_Libraries[entry.library] = LoadSystemLibrary(LibraryNames[entry.library]);
        library = g_Libraries[entry.library];
    }
    return library ? GetProcAddress(library, entry.name) : nullptr;
}

LANGID SetThreadLanguage(LANGID language)
{
    if (IsWindows95Family()) return 0;
    SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    // From NT 6 on the thread locale no longer chooses the resources' language.
    if (NtMajorVersion() < 6) return 0;
    typedef LANGID(WINAPI * SetUiLanguage)(LANGID);
    SetUiLanguage setUiLanguage = OptionalImport<SetUiLanguage>(OptSetThreadUILanguage);
    return setUiLanguage ? setUiLanguage(language) : 0;
}
