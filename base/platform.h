// What the program asks of the running Windows: its family and version, and the
// functions that only some systems have.
//
// Functions that a system may lack are looked up at run time through one table, in the
// manner of the delayed imports: each has its library, taken from the system folder,
// and its name, and the lookup answers null where the system has no such function. A
// function of a library that a script names is found with LibraryFunction.
#pragma once

#include <windows.h>

// The Windows 95 family (95, 98, Me); else the NT family.
int IsWindows95Family();

// The NT family's major version (4 for NT 4.0, 5 for 2000 and XP, 6 for Vista and 7); 0
// on the Windows 95 family.
int NtMajorVersion();

// Makes `language` the calling thread's language on the NT family (nothing on the 95
// family): the thread locale, and from NT 6 on also the user-interface language, looked
// up at run time. Returns what SetThreadUILanguage answered; 0 when it was not called.
LANGID SetThreadLanguage(LANGID language);

enum OptionalFunction {
    OptSetDefaultDllDirectories,  // kernel32, Windows 8 and updated Windows 7 on
    OptSetDllDirectoryA,          // kernel32, XP SP1 on
    OptGetUserDefaultUILanguage,  // kernel32, 2000 on
    OptSetThreadUILanguage,       // kernel32, Vista on
    OptMonitorFromWindow,         // user32, 98 and 2000 on
    OptGetMonitorInfoA,           // user32, 98 and 2000 on
    OptOpenProcessToken,          // advapi32, the NT family
    OptLookupPrivilegeValueA,     // advapi32, the NT family
    OptAdjustTokenPrivileges,     // advapi32, the NT family
    OptRestartDialog,             // shell32
    OptSHAutoComplete,            // shlwapi, only when already loaded: it is never loaded for it
    OptSetWindowTheme,            // uxtheme, XP on; only when already loaded, as for SHAutoComplete
    OptionalFunctionCount
};

// The address of an optional function; null when the system lacks it (or its library).
FARPROC FindOptionalFunction(OptionalFunction function);

// The same, as a pointer of the function's type.
template <typename Function>
Function OptionalImport(OptionalFunction function)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(FindOptionalFunction(function)));
}

// A function that `library` exports by `name`; null when it exports none.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name)
{
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}
