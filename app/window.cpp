// Window placement and the system restart.
//
// The wizard is centred once, over the desktop, and pulled into the work area of the
// monitor it is on; the functions for several monitors exist only on newer systems and
// are looked up at run time. The restart needs the shutdown privilege on the NT family,
// whose security functions are looked up at run time too. The restart that the user is
// asked about is the Setup API's prompt, with the shell's prompt standing in where the
// Setup API does not ask.

#include "../base/platform.h"
#include "setup.h"
#include "handles.h"
#include "placement.h"

namespace {

PlacementRect ToPlacement(const RECT& rectangle)
{
    return {rectangle.left, rectangle.top, rectangle.right, rectangle.bottom};
}

} // namespace

int GetMonitorWorkArea(HWND window, RECT* area)
{
    typedef HMONITOR(WINAPI * MonitorFromWindowFunction)(HWND, DWORD);
    typedef BOOL(WINAPI * GetMonitorInfoFunction)(HMONITOR, MONITORINFO*);
    MonitorFromWindowFunction monitorFromWindow = OptionalImport<MonitorFromWindowFunction>(OptMonitorFromWindow);
    GetMonitorInfoFunction getMonitorInfo = OptionalImport<GetMonitorInfoFunction>(OptGetMonitorInfoA);

    HMONITOR monitor = window && monitorFromWindow ? monitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
    MONITORINFO information = {};
    information.cbSize = 40;
    if (monitor && getMonitorInfo && getMonitorInfo(monitor, &information)) {
        *area = information.rcWork;
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0);
    }
    return 1;
}

void CenterWindow(HWND window, HWND reference)
{
    RECT work, own, around;
    GetMonitorWorkArea(window, &work);
    GetWindowRect(window, &own);
    if (reference) {
        GetWindowRect(reference, &around);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    long x = 0, y = 0;
    PlaceCentered(ToPlacement(work), ToPlacement(around), reference != nullptr, own.right - own.left,
                  own.bottom - own.top, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), &x, &y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int RestartSystem()
{
    if (IsWindows95Family()) return ExitWindowsEx(EWX_REBOOT, 0);

    typedef BOOL(WINAPI * OpenProcessTokenFunction)(HANDLE, DWORD, HANDLE*);
    typedef BOOL(WINAPI * LookupPrivilegeValueFunction)(const char*, const char*, LUID*);
    typedef BOOL(WINAPI * AdjustTokenPrivilegesFunction)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                                          DWORD*);
    OpenProcessTokenFunction openToken = OptionalImport<OpenProcessTokenFunction>(OptOpenProcessToken);
    LookupPrivilegeValueFunction lookup = OptionalImport<LookupPrivilegeValueFunction>(OptLookupPrivilegeValueA);
    AdjustTokenPrivilegesFunction adjust = OptionalImport<AdjustTokenPrivilegesFunction>(OptAdjustTokenPrivileges);
    if (!openToken || !lookup || !adjust) return 0;
    HANDLE token = nullptr;  // left to the end of the process
    if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    adjust(token, FALSE, &privileges, 0, nullptr, nullptr);
    return ExitWindowsEx(EWX_REBOOT, 0);
}

int PromptRestart(HWND owner)
{
    // With no queue the Setup API always asks, and its result has at least
    // SPFILEQ_REBOOT_RECOMMENDED set (-1 on failure), whatever the user answers. Wine 8's
    // SetupPromptReboot is a stub that answers 0 without asking; then the shell's
    // restart prompt asks instead, which likewise restarts, with the shutdown privilege,
    // when the user agrees. It takes a UTF-16 text on the NT family and ANSI on the
    // Windows 95 family; no text of our own is passed, so the difference does not matter.
    const int result = SetupPromptReboot(nullptr, owner, FALSE);
    if (result != 0) return result;
    typedef int(WINAPI * RestartDialogFunction)(HWND, const void*, DWORD);
    RestartDialogFunction restartDialog = OptionalImport<RestartDialogFunction>(OptRestartDialog);
    if (restartDialog) restartDialog(owner, nullptr, EWX_REBOOT);
    return 0;
}
