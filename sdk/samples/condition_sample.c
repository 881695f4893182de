/* A sample condition library: two checks that a setup script can name in a condition
 * section, for example
 *
 *     [Install]
 *     Conditions = Sample.Conditions
 *     [Sample.Conditions]
 *     1 = condition_sample.dll,RequireNtFamily
 *     2 = condition_sample.dll,RequireFreeSpace
 *
 * RequireNtFamily holds on Windows NT 4.0, 2000 and later and fails on Windows 95, 98
 * and Me. RequireFreeSpace holds when the drive of the Windows folder has at least
 * 20 MB free. A failing check keeps its reason in a variable, and GetLastFailMessage,
 * which the program calls right after the failure and before unloading the library,
 * hands it over. The library is loaded afresh for every check, so the reason never
 * outlives the check that wrote it. */

#include "setupsdk.h"

#include <windows.h>

/* What the second check asks for: enough for the demo package and a margin. */
#define REQUIRED_FREE_MB 20

static char g_reason[SETUPSDK_FAIL_MESSAGE_SIZE];

/* Copies `text` into the reason, cut to the size the program promises to read. */
static void SetReason(const char* text)
{
    lstrcpynA(g_reason, text, sizeof g_reason);
}

SETUPSDK_EXPORT int __cdecl GetVersionNumber(void)
{
    return SETUPSDK_INTERFACE_VERSION;
}

/* The top bit of GetVersion's result is set on the Windows 95 family only. */
SETUPSDK_CONDITION(RequireNtFamily)
{
    if ((GetVersion() & 0x80000000u) == 0) return 1;
    SetReason("This program needs Windows NT 4.0, Windows 2000 or a later version of Windows. "
              "It cannot be installed on Windows 95, 98 or Me.");
    return 0;
}

/* Free bytes, in MB, for the caller on the drive whose root is `root`; -1 when unknown.
 * GetDiskFreeSpaceExA came with Windows 95 OSR2, so it is looked up; the older function
 * reports at most 2 GB on the first Windows 95, which is plenty for this check. */
static long FreeMegabytes(const char* root)
{
    typedef BOOL(WINAPI * GetDiskFreeSpaceExFunction)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    GetDiskFreeSpaceExFunction getFreeSpaceEx =
        kernel ? (GetDiskFreeSpaceExFunction)(void*)GetProcAddress(kernel, "GetDiskFreeSpaceExA") : NULL;
    if (getFreeSpaceEx) {
        ULARGE_INTEGER available, total, totalFree;
        if (!getFreeSpaceEx(root, &available, &total, &totalFree)) return -1;
        if (available.QuadPart / (1024 * 1024) > 0x7fffffff) return 0x7fffffff;
        return (long)(available.QuadPart / (1024 * 1024));
    } else {
        DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
        if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return -1;
        return (long)((ULONGLONG)freeClusters * sectorsPerCluster * bytesPerSector / (1024 * 1024));
    }
}

/* The target folder is not chosen yet when start conditions are asked, so the check
 * looks at the drive of the Windows folder, which every installation writes to. */
SETUPSDK_CONDITION(RequireFreeSpace)
{
    char root[MAX_PATH];
    char text[SETUPSDK_FAIL_MESSAGE_SIZE];
    long megabytes;
    UINT length = GetWindowsDirectoryA(root, sizeof root);
    if (length == 0 || length >= sizeof root || length < 2 || root[1] != ':') {
        SetReason("The drive of the Windows folder could not be found.");
        return 0;
    }
    root[2] = '\\';
    root[3] = '\0';
    megabytes = FreeMegabytes(root);
    if (megabytes >= REQUIRED_FREE_MB) return 1;
    if (megabytes < 0)
        wsprintfA(text, "The free space on drive %c: could not be determined.", root[0]);
    else
        wsprintfA(text, "At least %d MB must be free on drive %c:, but only %ld MB are.", REQUIRED_FREE_MB, root[0],
                  megabytes);
    SetReason(text);
    return 0;
}

SETUPSDK_EXPORT void __cdecl GetLastFailMessage(char* buffer)
{
    lstrcpynA(buffer, g_reason, SETUPSDK_FAIL_MESSAGE_SIZE);
}
