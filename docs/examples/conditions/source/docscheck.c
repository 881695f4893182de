/* docscheck.dll, the condition library of the conditions example.
 *
 * A condition library exports GetVersionNumber (the interface version, 1), one function
 * per condition, and GetLastFailMessage; all of them cdecl with undecorated names. The
 * setup program loads the library from its own folder for each condition, calls the
 * condition function, asks for the text when it returned 0, and unloads the library. */

#include <windows.h>

#define EXPORT __declspec(dllexport)

/* The text of the last condition that did not hold. */
static const char* g_failure = "";

EXPORT int __cdecl GetVersionNumber(void)
{
    return 1;
}

static int IsNTFamily(void)
{
    return (GetVersion() & 0x80000000u) == 0;
}

/* Windows 98 (4.10), Windows Me, and the Windows NT family from NT 4.0 on. */
EXPORT int __cdecl IsWindows98OrLater(void)
{
    const DWORD version = GetVersion();
    const DWORD major = version & 0xFF, minor = (version >> 8) & 0xFF;
    if (IsNTFamily() ? major >= 4 : (major > 4 || (major == 4 && minor >= 10))) return 1;
    g_failure = "Norvale packages need Windows 98, Windows NT 4.0 or a later Windows.";
    return 0;
}

EXPORT int __cdecl IsWindowsNT(void)
{
    if (IsNTFamily()) return 1;
    g_failure = "The Norvale Agent needs Windows NT 4.0, Windows 2000 or a later Windows.";
    return 0;
}

/* Writes the reason into the program's buffer of 256 bytes. */
EXPORT void __cdecl GetLastFailMessage(char* text)
{
    lstrcpynA(text, g_failure, 256);
}
