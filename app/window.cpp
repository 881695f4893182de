// Window placement and the system restart.
//
// The wizard is centred once, over the desktop, and pulled into the work area of the
// monitor it is on; the functions for several monitors exist only on newer systems and
// are looked up at run time. The restart needs the shutdown privilege on the NT family,
// whose security functions are looked up at run time too.

#include "setup.h"
#include "handles.h"
#include "placement.h"

namespace {

PlacementRect ToPlacement(const RECT& rectangle)
{
    return {rectangle.left, rectangle.top, rectangle.right, rectangle.bottom};
}

template <typename Function>
Function Lookup(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

} // namespace

int GetMonitorWorkArea(HWND window, RECT* area)
{
    typedef HMONITOR(WINAPI * MonitorFromWindowFunction)(HWND, DWORD);
    typedef BOOL(WINAPI * GetMonitorInfoFunction)(HMONITOR, MONITORINFO*);
    UniqueModule user(LoadLibraryA("user32.dll"));
    MonitorFromWindowFunction monitorFromWindow = Lookup<MonitorFromWindowFunction>(user.get(), "MonitorFromWindow");
    GetMonitorInfoFunction getMonitorInfo = Lookup<GetMonitorInfoFunction>(user.get(), "GetMonitorInfoA");

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
    if (GetVersion() & 0x80000000u) return ExitWindowsEx(EWX_REBOOT, 0);

    typedef BOOL(WINAPI * OpenProcessTokenFunction)(HANDLE, DWORD, HANDLE*);
    typedef BOOL(WINAPI * LookupPrivilegeValueFunction)(const char*, const char*, LUID*);
    typedef BOOL(WINAPI * AdjustTokenPrivilegesFunction)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                                          DWORD*);
    {
        UniqueModule advapi(LoadLibraryA("advapi32"));
        if (!advapi) return 0;
        OpenProcessTokenFunction openToken = Lookup<OpenProcessTokenFunction>(advapi.get(), "OpenProcessToken");
        LookupPrivilegeValueFunction lookup = Lookup<LookupPrivilegeValueFunction>(advapi.get(), "LookupPrivilegeValueA");
        AdjustTokenPrivilegesFunction adjust = Lookup<AdjustTokenPrivilegesFunction>(advapi.get(), "AdjustTokenPrivileges");
        if (!openToken || !lookup || !adjust) return 0;
        HANDLE token = nullptr;  // left to the end of the process
        if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        adjust(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    return ExitWindowsEx(EWX_REBOOT, 0);
}
